#include "property/settings_text.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <QStringList>

namespace korvalo::testing {

std::optional<Marks> storedMarks(std::string* why)
{
    auto fail = [why](const std::string& text) -> std::optional<Marks> {
        if (why)
            *why = text;
        return std::nullopt;
    };
    if (!QFileInfo("Korvalo.ini").isFile())
        return fail("Korvalo.ini is not a file");
    QFile file("Korvalo.ini");
    if (!file.open(QIODevice::ReadOnly))
        return fail("Korvalo.ini cannot be read");
    const QByteArray bytes = file.readAll();

    QStringDecoder decoder("Shift_JIS");
    if (!decoder.isValid())
        return fail("no Shift_JIS decoder");
    const QString text = decoder.decode(bytes);
    if (decoder.hasError())
        return fail("Korvalo.ini is not Shift_JIS: " + bytes.toHex(' ').toStdString());
    if (!text.endsWith(QStringLiteral("\r\n")))
        return fail("Korvalo.ini does not end in CR LF: " + text.toStdString());
    const QStringList lines = text.chopped(2).split(QStringLiteral("\r\n"));
    if (lines.size() != 3)
        return fail("Korvalo.ini does not hold three lines: " + text.toStdString());

    static const char* const keys[] = {"手順番号表示", "ｱｲｺﾝ表示", "BGM"};
    Marks marks{};
    for (int i = 0; i < 3; ++i) {
        const QString key = QString::fromUtf8(keys[i]) + u'=';
        if (!lines[i].startsWith(key))
            return fail("line " + std::to_string(i + 1) + " of Korvalo.ini: " + lines[i].toStdString());
        const QString value = lines[i].mid(key.size());
        if (value == QLatin1String("OK"))
            marks[i] = true;
        else if (value == QLatin1String("NG"))
            marks[i] = false;
        else
            return fail("line " + std::to_string(i + 1) + " of Korvalo.ini: " + lines[i].toStdString());
    }
    return marks;
}

Marks checkMarks(const Platform& ui)
{
    return {ui.isChecked(CheckItem::TEJYUN), ui.isChecked(CheckItem::AICON), ui.isChecked(CheckItem::BGM)};
}

std::string marksText(const Marks& marks)
{
    return std::string("TEJYUN=") + (marks[0] ? "1" : "0") + " AICON=" + (marks[1] ? "1" : "0") +
           " BGM=" + (marks[2] ? "1" : "0");
}

std::string settingsFileProblem(const Marks& expected)
{
    std::string why;
    const std::optional<Marks> stored = storedMarks(&why);
    if (!stored)
        return why;
    if (*stored != expected)
        return "Korvalo.ini stores " + marksText(*stored) + " but the menu shows " + marksText(expected);
    return {};
}

}  // namespace korvalo::testing
