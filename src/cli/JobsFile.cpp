#include "cli/JobsFile.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include <QFileInfo>
#include <QHash>
#include <QStringDecoder>

namespace avatrix::cli {
namespace {

struct LineResult {
    bool ok = false;
    Job job;
    QString reason;
};

bool IsPlainFileName(const QString& name) {
    return !name.isEmpty() && name != u"." && name != u".." && !name.contains(u'/') &&
           !name.contains(QChar(0));
}

LineResult Bad(QString reason) {
    LineResult result;
    result.reason = std::move(reason);
    return result;
}

LineResult ParseLine(const QString& line, const RenderSettings& defaults,
                     OutputFormat defaultFormat, const QDir& pictureDir) {
    const QStringList columns = line.split(u'\t');
    if (columns.size() < 2) {
        return Bad(QStringLiteral("needs a picture and a text separated by a tab"));
    }
    // An empty picture column makes a name avatar, which has no picture to
    // name its output after.
    const bool named = columns[0].isEmpty();
    if (named && (columns.size() < 3 || columns[2].isEmpty())) {
        return Bad(QStringLiteral("a line without a picture needs an OUT column"));
    }
    LineResult result;
    Job& job = result.job;
    job.picture = named ? QString() : pictureDir.filePath(columns[0]);
    job.settings = defaults;
    job.settings.text = UnescapeText(columns[1]);

    QString output = columns.size() > 2 ? columns[2] : QString();
    if (output.isEmpty()) {
        output = QFileInfo(columns[0]).completeBaseName();
        if (output.isEmpty()) {
            output = QFileInfo(columns[0]).fileName();
        }
        output += u'.' + ExtensionOf(defaultFormat);
    } else if (!FormatOfName(output)) {
        output += u'.' + ExtensionOf(defaultFormat);
    }
    if (!IsPlainFileName(output)) {
        return Bad(QStringLiteral("output \"%1\" is not a plain file name").arg(output));
    }
    job.output = output;
    job.format = *FormatOfName(output);

    for (qsizetype i = 3; i < columns.size(); ++i) {
        const QString& column = columns[i];
        if (column.isEmpty()) {
            continue;
        }
        const qsizetype equals = column.indexOf(u'=');
        // A switch's name alone turns it on.
        const QString name = equals < 0 ? column : column.left(equals);
        const QString value = equals < 0 ? QStringLiteral("yes") : column.mid(equals + 1);
        QString error;
        if (!ApplySetting(job.settings, name.trimmed(), value, error)) {
            return Bad(QStringLiteral("column %1: %2").arg(i + 1).arg(error));
        }
    }
    result.ok = true;
    return result;
}

}  // namespace

QString UnescapeText(const QString& column) {
    QString text;
    text.reserve(column.size());
    for (qsizetype i = 0; i < column.size(); ++i) {
        const QChar c = column[i];
        if (c == u'\\' && i + 1 < column.size()) {
            const QChar next = column[i + 1];
            if (next == u'n' || next == u't' || next == u'\\') {
                text += next == u'n' ? QChar(u'\n') : next == u't' ? QChar(u'\t') : QChar(u'\\');
                ++i;
                continue;
            }
        }
        text += c;
    }
    return text;
}

QString JobList::LineText(const Entry& entry) const {
    // Only lines that decoded cleanly are kept.
    return QString::fromUtf8(lines_.constData() + entry.offset, entry.length);
}

Job JobList::At(std::size_t index) const {
    const Entry& entry = entries_[index];
    LineResult result = ParseLine(LineText(entry), defaults_, defaultFormat_, QDir(pictureDir_));
    result.job.line = entry.line;
    return std::move(result.job);
}

QString JobList::PictureOf(std::size_t index) const {
    const Entry& entry = entries_[index];
    const QByteArrayView line(lines_.constData() + entry.offset, entry.length);
    const qsizetype tab = line.indexOf('\t');
    if (tab <= 0) {
        return QString();
    }
    // Decoded as At decodes it: a column that holds only a byte-order mark
    // is empty, a name avatar's.
    const QString picture = QString::fromUtf8(line.first(tab));
    return picture.isEmpty() ? QString() : QDir(pictureDir_).filePath(picture);
}

JobList ParseJobs(QByteArray bytes, const RenderSettings& defaults, OutputFormat defaultFormat,
                  const QDir& pictureDir) {
    JobList list;
    list.defaults_ = defaults;
    list.defaultFormat_ = defaultFormat;
    list.pictureDir_ = pictureDir.path();
    // Each job's output name by its hash, to find two lines with one output
    // without keeping every name.
    struct Output {
        std::size_t hash;
        std::size_t job;
        bool operator<(const Output& other) const {
            return hash != other.hash ? hash < other.hash : job < other.job;
        }
    };
    std::vector<Output> outputs;
    const qsizetype lineCount = bytes.count('\n') + 1;
    list.entries_.reserve(static_cast<std::size_t>(lineCount));
    outputs.reserve(static_cast<std::size_t>(lineCount));

    // The jobs' lines are moved down within `bytes` itself, over what was
    // already read, so the file's bytes are never held twice.
    char* const data = bytes.data();
    qsizetype kept = 0;
    qsizetype start = 0;
    if (bytes.startsWith("\xEF\xBB\xBF")) {
        start = 3;
    }
    int number = 0;
    while (start < bytes.size()) {
        qsizetype end = bytes.indexOf('\n', start);
        if (end < 0) {
            end = bytes.size();
        }
        QByteArrayView raw(data + start, end - start);
        const qsizetype from = start;
        start = end + 1;
        ++number;
        if (raw.endsWith('\r')) {
            raw.chop(1);
        }
        // Decoded as the kept line is decoded again when its job runs: a
        // sequence cut off at the line's end is an error, not a byte held
        // back and dropped.
        QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        const QString line = decoder(raw);
        if (decoder.hasError()) {
            list.bad.push_back({number, QStringLiteral("is not valid UTF-8")});
            continue;
        }
        if (line.trimmed().isEmpty() || line.startsWith(u'#')) {
            continue;
        }
        LineResult result = ParseLine(line, defaults, defaultFormat, pictureDir);
        if (!result.ok) {
            list.bad.push_back({number, result.reason});
            continue;
        }
        if (raw.size() > std::numeric_limits<int>::max()) {
            list.bad.push_back({number, QStringLiteral("is too long")});
            continue;
        }
        std::memmove(data + kept, data + from, static_cast<std::size_t>(raw.size()));
        outputs.push_back({qHash(result.job.output), list.entries_.size()});
        list.entries_.push_back({kept, static_cast<int>(raw.size()), number});
        kept += raw.size();
    }
    bytes.resize(kept);
    bytes.squeeze();
    list.lines_ = std::move(bytes);

    // Lines whose outputs share a hash are told apart by their names, made
    // again from the lines; of those with one name, the first keeps it.
    std::sort(outputs.begin(), outputs.end());
    std::vector<bool> taken(list.entries_.size());
    bool anyTaken = false;
    for (std::size_t first = 0; first < outputs.size();) {
        std::size_t last = first + 1;
        while (last < outputs.size() && outputs[last].hash == outputs[first].hash) {
            ++last;
        }
        if (last - first > 1) {
            QHash<QString, int> owners;
            for (std::size_t i = first; i < last; ++i) {
                const std::size_t job = outputs[i].job;
                const QString output = list.At(job).output;
                const auto owner = owners.constFind(output);
                if (owner == owners.cend()) {
                    owners.insert(output, list.entries_[job].line);
                    continue;
                }
                list.bad.push_back(
                    {list.entries_[job].line,
                     QStringLiteral("output \"%1\" is already line %2's").arg(output).arg(*owner)});
                taken[job] = true;
                anyTaken = true;
            }
        }
        first = last;
    }
    outputs = {};
    if (anyTaken) {
        std::size_t to = 0;
        for (std::size_t job = 0; job < list.entries_.size(); ++job) {
            if (!taken[job]) {
                list.entries_[to++] = list.entries_[job];
            }
        }
        list.entries_.resize(to);
        std::sort(list.bad.begin(), list.bad.end(),
                  [](const BadLine& a, const BadLine& b) { return a.line < b.line; });
    }
    list.entries_.shrink_to_fit();
    return list;
}

}  // namespace avatrix::cli
