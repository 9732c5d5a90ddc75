#include "net/line_splitter.h"

#include <QStringDecoder>

namespace korvalo::net {

std::optional<std::string> LineSplitter::feed(std::string_view bytes)
{
    pending_.append(bytes);
    std::size_t start = 0;
    for (std::size_t end; (end = pending_.find('\n', start)) != std::string::npos; start = end + 1) {
        if (end - start > maxLine)
            return "a line longer than " + std::to_string(maxLine) + " bytes";
        ++heard_;
        std::string line = pending_.substr(start, end - start);
        if (line == pingLine)
            continue;
        QStringDecoder utf8(QStringDecoder::Utf8);
        (void)utf8(QByteArrayView(line.data(), static_cast<qsizetype>(line.size())));
        if (utf8.hasError())
            return std::string("a line that is not UTF-8");
        cost_ += line.size() + lineCost;
        lines_.push_back(std::move(line));
        if (cost_ > limit_)
            return std::string("more lines than this window can keep");
    }
    pending_.erase(0, start);
    if (pending_.size() > maxLine)
        return "a line longer than " + std::to_string(maxLine) + " bytes";
    return std::nullopt;
}

std::optional<std::string> LineSplitter::next()
{
    if (lines_.empty())
        return std::nullopt;
    std::string line = std::move(lines_.front());
    lines_.pop_front();
    cost_ -= line.size() + lineCost;
    return line;
}

void LineSplitter::clear()
{
    std::deque<std::string>().swap(lines_);
    pending_.clear();
    cost_ = 0;
}

}  // namespace korvalo::net
