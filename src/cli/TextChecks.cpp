#include "cli/TextChecks.h"

#include <algorithm>
#include <set>
#include <vector>

#include <QFontDatabase>
#include <QGlyphRun>
#include <QTextLayout>

namespace avatrix::cli {
namespace {

constexpr qsizetype kMostSuggestions = 5;

int EditDistance(const QString& a, const QString& b) {
    std::vector<int> row(static_cast<std::size_t>(b.size()) + 1);
    for (std::size_t j = 0; j < row.size(); ++j) {
        row[j] = static_cast<int>(j);
    }
    for (qsizetype i = 1; i <= a.size(); ++i) {
        int diagonal = row[0];
        row[0] = static_cast<int>(i);
        for (qsizetype j = 1; j <= b.size(); ++j) {
            const int above = row[static_cast<std::size_t>(j)];
            row[static_cast<std::size_t>(j)] =
                std::min({above + 1, row[static_cast<std::size_t>(j - 1)] + 1,
                          diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
            diagonal = above;
        }
    }
    return row.back();
}

// Installed families, read once: the font database is the same for every job.
const QStringList& Families() {
    static const QStringList families = QFontDatabase::families();
    return families;
}

// Characters that draw nothing of their own: controls, format characters
// such as the zero-width joiner, separators, and variation selectors.
bool NeedsNoGlyph(char32_t c) {
    switch (QChar::category(c)) {
        case QChar::Other_Control:
        case QChar::Other_Format:
        case QChar::Separator_Space:
        case QChar::Separator_Line:
        case QChar::Separator_Paragraph:
        // A lone mark is shaped onto a stand-in base that not every face
        // has; a mark without any face still leaves the text unmatched.
        case QChar::Mark_NonSpacing:
        case QChar::Mark_SpacingCombining:
        case QChar::Mark_Enclosing:
            return true;
        default:
            return false;
    }
}

// Whether laying the text out leaves any glyph 0, the "no glyph" box, in
// the font or in every face it fell back to.
bool HasMissingGlyph(const QString& text, const QFont& font) {
    QTextLayout layout(text, font);
    QTextOption option;
    option.setWrapMode(QTextOption::NoWrap);
    layout.setTextOption(option);
    layout.beginLayout();
    while (layout.createLine().isValid()) {
    }
    layout.endLayout();
    for (const QGlyphRun& run : layout.glyphRuns()) {
        const QList<quint32> glyphs = run.glyphIndexes();
        if (std::find(glyphs.begin(), glyphs.end(), 0u) != glyphs.end()) {
            return true;
        }
    }
    return false;
}

}  // namespace

QString CheckFace(const QString& face) {
    const QStringList& families = Families();
    const auto same = [&face](const QString& family) {
        return family.compare(face, Qt::CaseInsensitive) == 0;
    };
    if (std::any_of(families.begin(), families.end(), same) ||
        !QFont::substitutes(face).isEmpty()) {
        return {};
    }
    const QString wanted = face.toLower();
    std::vector<std::pair<int, QString>> near;
    for (const QString& family : families) {
        const QString name = family.toLower();
        const int distance =
            name.contains(wanted) || wanted.contains(name) ? 0 : EditDistance(wanted, name);
        if (distance <= std::max<qsizetype>(2, wanted.size() / 3)) {
            near.emplace_back(distance, family);
        }
    }
    std::stable_sort(near.begin(), near.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    QStringList names;
    for (const auto& [distance, family] : near) {
        if (names.size() == kMostSuggestions) {
            break;
        }
        names << QStringLiteral("\"%1\"").arg(family);
    }
    const QString message = QStringLiteral("font \"%1\" is not installed").arg(face);
    return names.isEmpty() ? message + QStringLiteral(" (fc-list : family lists those that are)")
                           : message + QStringLiteral("; near matches: ") + names.join(u", ");
}

QString CheckGlyphs(const QString& text, const QFont& font) {
    if (!HasMissingGlyph(text, font)) {
        return {};
    }
    std::set<char32_t> seen;
    QStringList missing;
    for (const char32_t c : text.toUcs4()) {
        if (NeedsNoGlyph(c) || !seen.insert(c).second) {
            continue;
        }
        if (HasMissingGlyph(QString::fromUcs4(&c, 1), font)) {
            missing
                << QStringLiteral("U+%1").arg(static_cast<uint>(c), 4, 16, QChar(u'0')).toUpper();
        }
    }
    if (missing.isEmpty()) {
        return {};
    }
    return QStringLiteral(
               "no installed font can draw %1 (--allow-missing-glyphs draws them as "
               "empty boxes)")
        .arg(missing.join(u", "));
}

}  // namespace avatrix::cli
