#include "cli/RenderSettings.h"

#include <functional>

#include <QStringList>

#include "cli/Colours.h"

namespace avatrix::cli {
namespace {

// Far beyond any avatar, and small enough that no image size overflows.
constexpr int kLargestPointSize = 1500;
constexpr int kLargestSide = 4096;
constexpr double kLargestScale = 8.0;
// A quarter of the avatar (46 x 46) is the smallest that still shows a picture
// and a banner; below it the file would hold a few meaningless pixels.
constexpr double kSmallestScale = 0.25;

bool ParseInt(const QString& value, int low, int high, int& out) {
    bool ok = false;
    const int v = value.trimmed().toInt(&ok);
    if (!ok || v < low || v > high) {
        return false;
    }
    out = v;
    return true;
}

bool ParseSwitch(const QString& value, bool& out) {
    const QString v = value.trimmed().toLower();
    if (v == u"1" || v == u"yes" || v == u"true" || v == u"on") {
        out = true;
        return true;
    }
    if (v == u"0" || v == u"no" || v == u"false" || v == u"off") {
        out = false;
        return true;
    }
    return false;
}

bool ParseGradient(const QString& value, RenderSettings& s) {
    const QStringList parts = value.split(u',');
    QColor from;
    QColor to;
    if (parts.size() != 2 || !ParseColour(parts[0], from) || !ParseColour(parts[1], to)) {
        return false;
    }
    s.background = from;
    s.gradientEnd = to;
    return true;
}

bool ParseAlign(const QString& value, Qt::AlignmentFlag& out) {
    const QString v = value.trimmed().toLower();
    if (v == u"left") {
        out = Qt::AlignLeft;
    } else if (v == u"centre" || v == u"center") {
        out = Qt::AlignHCenter;
    } else if (v == u"right") {
        out = Qt::AlignRight;
    } else {
        return false;
    }
    return true;
}

bool ParseShape(const QString& value, render::AvatarShape& out) {
    const QString v = value.trimmed().toLower();
    if (v == u"square") {
        out = render::AvatarShape::Square;
    } else if (v == u"rounded") {
        out = render::AvatarShape::Rounded;
    } else if (v == u"circle") {
        out = render::AvatarShape::Circle;
    } else {
        return false;
    }
    return true;
}

bool ParseRect(const QString& value, QRect& out) {
    const QStringList parts = value.split(u',');
    if (parts.size() != 4) {
        return false;
    }
    int v[4];
    for (int i = 0; i < 4; ++i) {
        const int low = i < 2 ? -kLargestSide : 1;
        if (!ParseInt(parts[i], low, kLargestSide, v[i])) {
            return false;
        }
    }
    out = QRect(v[0], v[1], v[2], v[3]);
    return true;
}

bool ParseScale(const QString& value, double& out) {
    bool ok = false;
    const double v = value.trimmed().toDouble(&ok);
    if (!ok || !(v >= kSmallestScale) || v > kLargestScale) {
        return false;
    }
    out = v;
    return true;
}

using Setter = std::function<bool(RenderSettings&, const QString&)>;

struct Entry {
    SettingName name;
    const char* meaning;  // for the error message
    Setter set;
};

Setter Switch(bool RenderSettings::*member) {
    return [member](RenderSettings& s, const QString& v) { return ParseSwitch(v, s.*member); };
}

const std::vector<Entry>& Entries() {
    static const std::vector<Entry> entries = {
        {{"font", false, "FACE"},
         "a face name",
         [](RenderSettings& s, const QString& v) {
             if (v.trimmed().isEmpty()) {
                 return false;
             }
             s.face = v.trimmed();
             return true;
         }},
        {{"size", false, "PT"},
         "a point size from 1 to 1500",
         [](RenderSettings& s, const QString& v) {
             s.sizeGiven = true;
             return ParseInt(v, 1, kLargestPointSize, s.pointSize);
         }},
        {{"bold", true, nullptr}, "yes or no", Switch(&RenderSettings::bold)},
        {{"italic", true, nullptr}, "yes or no", Switch(&RenderSettings::italic)},
        {{"underline", true, nullptr}, "yes or no", Switch(&RenderSettings::underline)},
        {{"strike", true, nullptr}, "yes or no", Switch(&RenderSettings::strikeOut)},
        {{"text-colour", false, "COLOUR"},
         kColourForms,
         [](RenderSettings& s, const QString& v) {
             s.textColourGiven = true;
             return ParseColour(v, s.textColour);
         }},
        {{"strip-colour", false, "COLOUR"},
         kColourForms,
         [](RenderSettings& s, const QString& v) {
             // The strip's transparency is its opacity, which its text shares.
             if (!ParseColour(v, s.stripColour)) {
                 return false;
             }
             s.stripColour.setAlpha(255);
             return true;
         }},
        {{"opacity", false, "0-255"},
         "a whole number from 0 to 255",
         [](RenderSettings& s, const QString& v) { return ParseInt(v, 0, 255, s.opacity); }},
        {{"strip", false, "X,Y,W,H"},
         "X,Y,W,H with a width and height of at least 1",
         [](RenderSettings& s, const QString& v) { return ParseRect(v, s.strip); }},
        {{"label", false, "X,Y,W,H"},
         "X,Y,W,H with a width and height of at least 1",
         [](RenderSettings& s, const QString& v) { return ParseRect(v, s.label); }},
        {{"fill", true, nullptr}, "yes or no", Switch(&RenderSettings::fill)},
        {{"outline", true, nullptr}, "yes or no", Switch(&RenderSettings::outline)},
        {{"shadow", true, nullptr}, "yes or no", Switch(&RenderSettings::shadow)},
        {{"scale", false, "N"},
         "a number from 0.25 to 8",
         [](RenderSettings& s, const QString& v) { return ParseScale(v, s.scale); }},
        {{"quality", false, "0-100"},
         "a whole number from 0 to 100",
         [](RenderSettings& s, const QString& v) { return ParseInt(v, 0, 100, s.quality); }},
        {{"align", false, "left|centre|right"},
         "left, centre or right",
         [](RenderSettings& s, const QString& v) { return ParseAlign(v, s.align); }},
        {{"allow-missing-glyphs", true, nullptr},
         "yes or no",
         Switch(&RenderSettings::allowMissingGlyphs)},
        {{"background", false, "COLOUR"},
         kColourForms,
         [](RenderSettings& s, const QString& v) {
             s.gradientEnd = QColor();
             return ParseColour(v, s.background);
         }},
        {{"gradient", false, "COLOUR,COLOUR"},
         "two colours separated by a comma, each #RGB, #RRGGBB, #AARRGGBB or an SVG/CSS "
         "colour name",
         [](RenderSettings& s, const QString& v) { return ParseGradient(v, s); }},
        {{"initials", true, nullptr}, "yes or no", Switch(&RenderSettings::initials)},
        {{"shape", false, "circle|rounded|square"},
         "circle, rounded or square",
         [](RenderSettings& s, const QString& v) { return ParseShape(v, s.shape); }},
        {{"avatar-size", false, "PX"},
         "a whole number of pixels from 16 to 1024",
         [](RenderSettings& s, const QString& v) {
             return ParseInt(v, 16, kLargestAvatarSize, s.avatarSize);
         }},
    };
    return entries;
}

}  // namespace

bool ApplySetting(RenderSettings& settings, const QString& name, const QString& value,
                  QString& error) {
    // American spellings are taken too; the option list shows the others.
    QString key = name;
    key.replace(QStringLiteral("color"), QStringLiteral("colour"));
    for (const Entry& entry : Entries()) {
        if (key != QLatin1String(entry.name.name)) {
            continue;
        }
        RenderSettings changed = settings;
        if (!entry.set(changed, value)) {
            error = QStringLiteral("%1 must be %2, not \"%3\"")
                        .arg(name, QLatin1String(entry.meaning), value);
            return false;
        }
        settings = changed;
        return true;
    }
    error = QStringLiteral("unknown setting \"%1\"").arg(name);
    return false;
}

const std::vector<SettingName>& SettingNames() {
    static const std::vector<SettingName> names = [] {
        std::vector<SettingName> out;
        for (const Entry& entry : Entries()) {
            out.push_back(entry.name);
        }
        return out;
    }();
    return names;
}

}  // namespace avatrix::cli
