#include "cli/JobsFile.h"

#include <map>

#include <QFileInfo>
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

JobList ParseJobs(const QByteArray& bytes, const RenderSettings& defaults,
                  OutputFormat defaultFormat, const QDir& pictureDir) {
    JobList list;
    std::map<QString, int> outputLines;
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
        QByteArrayView raw(bytes.constData() + start, end - start);
        start = end + 1;
        ++number;
        if (raw.endsWith('\r')) {
            raw.chop(1);
        }
        QStringDecoder decoder(QStringDecoder::Utf8);
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
        result.job.line = number;
        const auto [it, inserted] = outputLines.emplace(result.job.output, number);
        if (!inserted) {
            list.bad.push_back({number, QStringLiteral("output \"%1\" is already line %2's")
                                            .arg(result.job.output)
                                            .arg(it->second)});
            continue;
        }
        list.jobs.push_back(std::move(result.job));
    }
    return list;
}

}  // namespace avatrix::cli
