#include "session/session.h"

#include "input/game_record.h"

namespace korvalo {

Session::Session(Platform& ui, DsLibrary* library, SessionListener& listener, WindowEvents* events)
    : listener_(listener), form_(ui, library), formEvents_(form_), path_(events ? *events : formEvents_)
{
    form_.computer().tellChosenSquares([this](int column, int row) { path_.computerChose(column, row); });
}

Session::~Session()
{
    // The role goes first: it acts on the game and its path.
    network_.reset();
}

void Session::apply(const SessionOptions& options)
{
    // A joined window plays the squares its host's computer chose.
    if (options.computerLevel != standardLevel && options.role == SessionOptions::Role::Join)
        listener_.logLine("--computer is the host's to choose; it is left aside here");
    else
        form_.computer().setLevel(options.computerLevel);
}

void Session::recordInto(GameRecord* record)
{
    path_.recordInto(record);
    path_.recordFailed = [this](const std::string& why) { listener_.recordFailed(why); };
}

bool Session::startNetwork(std::unique_ptr<NetworkRole> role, const SessionOptions& options, QString* why)
{
    network_ = std::move(role);
    return network_ && network_->start(options, why);
}

void Session::stopNetwork()
{
    if (network_)
        network_->stop();
}

}  // namespace korvalo
