#include "settings/settings_fixture.h"

#include <iconv.h>

#include <QFile>
#include <stdexcept>

namespace korvalo::testing {

std::string sjis(const std::string& utf8)
{
    iconv_t cd = iconv_open("SHIFT_JIS", "UTF-8");
    if (cd == reinterpret_cast<iconv_t>(-1))
        throw std::runtime_error("no Shift_JIS converter");
    std::string in = utf8;
    std::string out(in.size() * 2 + 4, '\0');
    char* src = in.data();
    char* dst = out.data();
    size_t srcLeft = in.size();
    size_t dstLeft = out.size();
    const size_t result = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
    iconv_close(cd);
    if (result == static_cast<size_t>(-1))
        throw std::runtime_error("not convertible to Shift_JIS: " + utf8);
    out.resize(out.size() - dstLeft);
    return out;
}

std::string hex(const std::string& bytes)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char b : bytes) {
        if (!out.empty())
            out += ' ';
        out += digits[b >> 4];
        out += digits[b & 15];
    }
    return out;
}

void SettingsTest::SetUp()
{
    ASSERT_TRUE(folder.isValid());
    previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(folder.path()));
    g.form.sounds().setBuffer(GameSounds::Sound::Other, g.lib.dsCreateDSB(1, nullptr, 3, "その他.wav"));
    g.form.sounds().setBuffer(GameSounds::Sound::Music, g.lib.dsCreateDSB(1, nullptr, 1, "BGM.wav"));
    setMarks(false, false, true);
}

void SettingsTest::TearDown()
{
    QDir::setCurrent(previous);
}

void SettingsTest::load()
{
    g.form.settings().読込_環境設定ファイル();
    g.form.settings().読込_環境設定データ();
}

void SettingsTest::setMarks(bool moveNumbers, bool icons, bool music)
{
    g.ui.setChecked(CheckItem::TEJYUN, moveNumbers);
    g.ui.setChecked(CheckItem::AICON, icons);
    g.ui.setChecked(CheckItem::BGM, music);
    g.clear();
}

std::string SettingsTest::marks() const
{
    auto mark = [this](CheckItem item) { return g.ui.isChecked(item) ? "1" : "0"; };
    return std::string("TEJYUN=") + mark(CheckItem::TEJYUN) + " AICON=" + mark(CheckItem::AICON) +
           " BGM=" + mark(CheckItem::BGM);
}

std::vector<std::string> SettingsTest::readBack(const std::string& bytes)
{
    setMarks(false, false, true);
    put(bytes);
    load();
    return g.lines();
}

void SettingsTest::put(const std::string& bytes)
{
    QFile file("Korvalo.ini");
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(bytes.data(), static_cast<qint64>(bytes.size())) != static_cast<qint64>(bytes.size()))
        throw std::runtime_error("cannot write Korvalo.ini");
}

std::string SettingsTest::fileBytes() const
{
    QFile file("Korvalo.ini");
    if (!file.open(QIODevice::ReadOnly))
        return "(no file)";
    return file.readAll().toStdString();
}

std::vector<std::string> SettingsTest::entries() const
{
    std::vector<std::string> out;
    for (const QString& name : QDir(".").entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                                                   QDir::Name))
        out.push_back(name.toStdString());
    return out;
}

}  // namespace korvalo::testing
