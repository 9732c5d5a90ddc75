// What the window says, as a person (or a screen reader over the widgets)
// meets it: Japanese, the standard buttons of Qt's boxes included. A join
// from a link that the host refuses asks, connects and fails in Japanese and
// ends the program with status 1; a host that cannot be reached and one that
// refuses with words of its own are named in Japanese too; the game's own
// question shows はい and いいえ; a pass box is as wide as its title; the
// hosting notice carries good news with the information icon.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QFile>
#include <QInputDialog>
#include <QApplication>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>

#include "app/main_window.h"
#include "app/network_role.h"
#include "app/notice.h"
#include "net/peers.h"
#include "support/game_driver.h"

namespace korvalo {
namespace {

// A button's text as it reads, without its mnemonic ("はい(&Y)" reads はい).
QString reads(const QAbstractButton* button)
{
    return button->text().remove(QRegularExpression(QStringLiteral("\\(&.\\)|&")));
}

// Every word of two or more Latin letters in a text a window shows.
QStringList latinWords(const QString& text)
{
    QStringList words;
    for (const auto& match : QRegularExpression(QStringLiteral("[A-Za-z]{2,}")).globalMatch(text))
        words << match.captured();
    return words;
}

// Reads every box as it opens, from a timer that also runs inside a box's
// own loop: its text (the label of a box that says it connects) and its
// buttons; answers questions Yes, closes the others with OK (a box is kept
// open, and each text it shows read, until it says keepOpenUntil) and
// cancels a question for a text.
struct BoxReader {
    QTimer timer;
    QStringList texts, buttons;
    QList<QMessageBox::Icon> icons;
    QList<int> widths;
    QString keepOpenUntil;
    BoxReader()
    {
        QObject::connect(&timer, &QTimer::timeout, [this] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (auto* box = qobject_cast<QMessageBox*>(dialog); box && box->isVisible()) {
                const bool keep = !keepOpenUntil.isEmpty() && !box->text().contains(keepOpenUntil);
                if (keep && !texts.isEmpty() && texts.back() == box->text())
                    return;
                texts << box->text();
                icons << box->icon();
                widths << box->width();
                for (QAbstractButton* button : box->buttons())
                    buttons << reads(button);
                if (!keep)
                    box->button(QMessageBox::Yes) ? box->button(QMessageBox::Yes)->click()
                                                  : box->defaultButton()->click();
            } else if (auto* input = qobject_cast<QInputDialog*>(dialog); input && input->isVisible()) {
                texts << input->labelText();
                for (QPushButton* button : input->findChildren<QPushButton*>())
                    buttons << reads(button);
                input->reject();
            } else if (auto* connecting = qobject_cast<QProgressDialog*>(dialog);
                       connecting && connecting->isVisible() && !texts.contains(connecting->labelText())) {
                texts << connecting->labelText();
                for (QPushButton* button : connecting->findChildren<QPushButton*>())
                    buttons << reads(button);
            }
        });
        timer.start(5);
    }
};

// Joins as a window started with a link would (without a code: as one
// started with --join alone), against a host of the test's own that answers
// the greeting with answer (none: nothing listens), and runs the program's
// loop until the program ends; its status.
int joinFromLink(const QByteArray& answer, BoxReader& reader, const std::string& code = "あいうえ")
{
    QTcpServer host;
    quint16 port = testing::freePort();
    if (!answer.isEmpty()) {
        EXPECT_TRUE(host.listen(QHostAddress::LocalHost, 0));
        port = host.serverPort();
        // The host answers once the box that says the window connects has been read.
        QObject::connect(&host, &QTcpServer::newConnection, [&] {
            QTcpSocket* window = host.nextPendingConnection();
            auto* later = new QTimer(window);
            QObject::connect(later, &QTimer::timeout, [&reader, window, later, answer] {
                if (reader.texts.size() < 2)
                    return;
                later->stop();
                window->write(answer);
            });
            later->start(5);
        });
    }
    MainWindow window(nullptr, nullptr);
    window.load();
    SessionOptions options;
    options.role = SessionOptions::Role::Join;
    options.host = "127.0.0.1";
    options.port = port;
    options.code = code;
    options.fromLink = !code.empty();
    std::unique_ptr<NetworkRole> role(korvalo_network_role(window));
    QTimer::singleShot(0, [&] {
        QString error;
        EXPECT_TRUE(role->start(options, &error)) << error.toStdString();
    });
    return QApplication::exec();
}

// The status a document of the source tree states where pattern finds it.
int statedStatus(const char* name, const QString& pattern)
{
    QFile file(QStringLiteral(KORVALO_SOURCE_DIR "/") + QString::fromUtf8(name));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << name;
    const QString text = QString::fromUtf8(file.readAll()).simplified();
    return QRegularExpression(pattern).match(text).captured(1).toInt();
}

TEST(JapaneseWindow, AJoinFromALinkThatIsRefusedSpeaksJapaneseAndEndsWithStatus1)
{
    testing::TemporaryWorkingFolder folder;
    BoxReader reader;
    const int status = joinFromLink("refused a wrong code\n", reader);
    EXPECT_EQ(status, 1);
    EXPECT_EQ(statedStatus("README.md", QStringLiteral("notice whose closing ends the program with status (\\d)")), status);
    EXPECT_EQ(statedStatus("packaging/man/korvalo.6", QStringLiteral("(\\d) when a network game cannot be started[^.]*"
                                                                     "joining one failed")),
              status);
    // The question, the box that says it connects, and the failure.
    ASSERT_EQ(reader.texts.size(), 3) << reader.texts.join('|').toStdString();
    EXPECT_TRUE(reader.texts[1].startsWith(QString::fromUtf8("接続中…")));
    EXPECT_EQ(reader.texts[2], QString::fromUtf8("参加できません: 合言葉が違います。"));
    EXPECT_EQ(reader.buttons.join(' '), QString::fromUtf8("はい いいえ キャンセル OK"));
    EXPECT_EQ(latinWords(reader.texts.join('\n')), QStringList()) << reader.texts.join('|').toStdString();
}

TEST(JapaneseWindow, TheQuestionForTheCodeSaysOkAndCancelAndCancellingEndsWithStatus0)
{
    testing::TemporaryWorkingFolder folder;
    BoxReader reader;
    const int status = joinFromLink("welcome\n", reader, "");
    EXPECT_EQ(status, 0);
    EXPECT_TRUE(reader.texts.contains(QString::fromUtf8("合言葉:"))) << reader.texts.join('|').toStdString();
    EXPECT_TRUE(reader.buttons.join(' ').endsWith(QString::fromUtf8("OK キャンセル"))) << reader.buttons.join(' ').toStdString();
    EXPECT_EQ(statedStatus("packaging/man/korvalo.6", QStringLiteral("(\\d) when the game ends [^.]* cancels joining")), status);
}

TEST(JapaneseWindow, NamesAHostNotReachedAndTheWordsOfAnUnknownRefusalInJapanese)
{
    testing::TemporaryWorkingFolder folder;
    {
        BoxReader unreached;
        EXPECT_EQ(joinFromLink({}, unreached), 1);
        ASSERT_FALSE(unreached.texts.isEmpty());
        EXPECT_TRUE(unreached.texts.back().contains(QString::fromUtf8("接続を拒まれました")))
            << unreached.texts.back().toStdString();
        EXPECT_EQ(latinWords(unreached.texts.back()), QStringList()) << unreached.texts.back().toStdString();
    }
    // A reason this window does not know is the host's, said as such and
    // without its control bytes.
    BoxReader unknown;
    EXPECT_EQ(joinFromLink("refused \x1b[2Jgo away\n", unknown), 1);
    ASSERT_FALSE(unknown.texts.isEmpty());
    EXPECT_EQ(unknown.texts.back(), QString::fromUtf8("参加できません: ホストに断られました。ホストの言葉: 「\\x1b[2Jgo away」"));
}

TEST(JapaneseWindow, TheGamesQuestionSaysHaiAndIieAndAPassBoxShowsItsWholeTitle)
{
    testing::TemporaryWorkingFolder folder;
    MainWindow window(nullptr, nullptr);
    window.load();
    BoxReader reader;
    EXPECT_EQ(window.platform().messageBox("続けます？", "Korvalo", Buttons::YesNo, BoxIcon::None), Answer::Yes);
    EXPECT_EQ(reader.buttons, QStringList({QString::fromUtf8("はい"), QString::fromUtf8("いいえ")}));
    // The title bar's font, and room beside the title for the frame's buttons.
    const char title[] = "　　赤の手番";
    window.platform().messageBox("　　PASS", title, Buttons::OK, BoxIcon::None);
    const QFontMetrics metrics(QApplication::font("QTitleBar"));
    ASSERT_EQ(reader.widths.size(), 2);
    EXPECT_GE(reader.widths[1], metrics.horizontalAdvance(QString::fromUtf8(title)) + 4 * metrics.height());
}

// A window that hosts, asking the router or not.
struct HostingWindow {
    testing::TemporaryWorkingFolder folder;
    MainWindow window{nullptr, nullptr};
    std::unique_ptr<NetworkRole> role;
    explicit HostingWindow(bool portMapping)
    {
        window.load();
        SessionOptions options;
        options.role = SessionOptions::Role::Host;
        options.port = testing::freePort();
        options.portMapping = portMapping;
        role.reset(korvalo_network_role(window));
        QString error;
        EXPECT_TRUE(role->start(options, &error)) << error.toStdString();
    }
    ~HostingWindow() { role->stop(); }
};

TEST(JapaneseWindow, TheHostingNoticeIsGoodNews)
{
    HostingWindow hosting(false);
    BoxReader reader;
    ASSERT_TRUE(QTest::qWaitFor([&] { return !reader.icons.isEmpty(); }, 10000));
    EXPECT_EQ(reader.icons.front(), QMessageBox::Information);
}

// Asking the router sends to the network: only in a network of the test's own
// (tests/gui/CMakeLists.txt runs it so), where no router answers.
TEST(JapaneseWindow, TheRoutersAnswerTakesThePlaceOfTheLineThatSaysItIsAsked)
{
    if (qEnvironmentVariableIsEmpty("KORVALO_OWN_NETWORK"))
        GTEST_SKIP() << "runs only in a network namespace of its own";
    HostingWindow hosting(true);
    // The person reads the hosting notice while the router is asked.
    BoxReader reader;
    reader.keepOpenUntil = QString::fromUtf8("ルーターが応答しない");
    const QString asking = QString::fromUtf8("ルーターに問い合わせています…");
    ASSERT_TRUE(QTest::qWaitFor([&] { return reader.texts.join('|').contains(reader.keepOpenUntil); }, 30000));
    EXPECT_TRUE(reader.texts.front().endsWith(asking)) << reader.texts.join('|').toStdString();
    EXPECT_TRUE(reader.texts.back().startsWith(QString::fromUtf8("ネットワーク対局を開きました。")));
    EXPECT_FALSE(reader.texts.back().contains(asking));
    // Good news first; no mapping is trouble, and the icon says so.
    EXPECT_EQ(reader.icons.front(), QMessageBox::Information);
    EXPECT_EQ(reader.icons.back(), QMessageBox::Warning);
}

}  // namespace
}  // namespace korvalo
