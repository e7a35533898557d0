#include "cli/CommandLine.h"

#include <QCommandLineParser>

#include "cli/Usage.h"

namespace avatrix::cli {
namespace {

// Drawing is bound by the processors and the memory budget the workers share:
// more threads than this only wait.
constexpr int kMostWorkers = 32;

QStringList NamesOf(const SettingName& setting) {
    QStringList names{QLatin1String(setting.name)};
    if (QString american = names[0]; american.contains(u"colour")) {
        names << american.replace(QStringLiteral("colour"), QStringLiteral("color"));
    }
    return names;
}

struct Parser {
    QCommandLineParser parser;
    QCommandLineOption help{{"h", "help"}};
    QCommandLineOption version{{"V", "version"}};
    QCommandLineOption text{{"t", "text"}, {}, "TEXT"};
    QCommandLineOption output{{"o", "output"}, {}, "OUT"};
    QCommandLineOption batch{"batch", {}, "JOBS"};
    QCommandLineOption outDir{"out-dir", {}, "DIR"};
    QCommandLineOption format{"format", {}, "FORMAT"};
    QCommandLineOption force{"force"};
    QCommandLineOption jobs{{"j", "jobs"}, {}, "N"};
    std::vector<QCommandLineOption> settings;

    Parser() {
        parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsCompactedShortOptions);
        parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsOptions);
        for (const auto* option :
             {&help, &version, &text, &output, &batch, &outDir, &format, &force, &jobs}) {
            parser.addOption(*option);
        }
        for (const SettingName& setting : SettingNames()) {
            settings.emplace_back(NamesOf(setting), QString(), QLatin1String(setting.valueName));
            parser.addOption(settings.back());
        }
    }
};

bool ReadSettings(Parser& p, RenderSettings& settings, QString& error) {
    const auto& names = SettingNames();
    for (std::size_t i = 0; i < names.size(); ++i) {
        const QCommandLineOption& option = p.settings[i];
        if (!p.parser.isSet(option)) {
            continue;
        }
        const QString value = names[i].isSwitch ? QStringLiteral("yes") : p.parser.value(option);
        if (!ApplySetting(settings, QLatin1String(names[i].name), value, error)) {
            error = QStringLiteral("--") + error;
            return false;
        }
    }
    return true;
}

bool ReadBatch(const Parser& p, const QStringList& positional, Invocation& run, QString& error) {
    run.mode = Mode::Batch;
    run.jobsFile = p.parser.value(p.batch);
    run.outDir = p.parser.value(p.outDir);
    if (!positional.isEmpty() || p.parser.isSet(p.text) || p.parser.isSet(p.output)) {
        error = QStringLiteral(
            "a batch takes pictures and texts from its jobs file, "
            "not from PICTURE, --text or --output");
        return false;
    }
    if (run.outDir.isEmpty()) {
        error = QStringLiteral("--batch needs --out-dir DIR");
        return false;
    }
    if (p.parser.isSet(p.format)) {
        const auto format = FormatNamed(p.parser.value(p.format));
        if (!format) {
            error = QStringLiteral("--format must be png, jpg, bmp or svg");
            return false;
        }
        run.format = *format;
    }
    return true;
}

bool ReadSingle(const Parser& p, const QStringList& positional, Invocation& run, QString& error) {
    run.mode = Mode::Single;
    if (p.parser.isSet(p.outDir) || p.parser.isSet(p.format)) {
        error = QStringLiteral(
            "--out-dir and --format go with --batch; "
            "one avatar's format is its output's extension");
        return false;
    }
    if (positional.size() > 1) {
        error = QStringLiteral("one PICTURE at a time; --batch makes more");
        return false;
    }
    run.picture = positional.value(0);
    run.settings.text = p.parser.value(p.text);
    if (run.picture.isEmpty() && run.settings.text.trimmed().isEmpty()) {
        error = QStringLiteral("no PICTURE and no --text: nothing to draw");
        return false;
    }
    run.output = p.parser.value(p.output);
    if (run.output.isEmpty()) {
        error = QStringLiteral("no --output OUT given");
        return false;
    }
    const auto format = FormatOfName(run.output);
    if (!format) {
        error = QStringLiteral("--output must end in .png, .jpg, .bmp or .svg");
        return false;
    }
    run.format = *format;
    return true;
}

}  // namespace

std::optional<Invocation> ParseCommandLine(const QStringList& arguments, QString& error) {
    Parser p;
    if (!p.parser.parse(arguments)) {
        error = p.parser.errorText();
        return std::nullopt;
    }
    Invocation run;
    if (p.parser.isSet(p.help)) {
        run.mode = Mode::Help;
        return run;
    }
    if (p.parser.isSet(p.version)) {
        run.mode = Mode::Version;
        return run;
    }
    if (!ReadSettings(p, run.settings, error)) {
        return std::nullopt;
    }
    run.force = p.parser.isSet(p.force);
    if (p.parser.isSet(p.jobs)) {
        bool ok = false;
        run.jobs = p.parser.value(p.jobs).toInt(&ok);
        if (!ok || run.jobs < 1 || run.jobs > kMostWorkers) {
            error = QStringLiteral("--jobs must be a whole number from 1 to %1").arg(kMostWorkers);
            return std::nullopt;
        }
    }
    const QStringList positional = p.parser.positionalArguments();
    const bool read = p.parser.isSet(p.batch) ? ReadBatch(p, positional, run, error)
                                              : ReadSingle(p, positional, run, error);
    if (!read) {
        return std::nullopt;
    }
    return run;
}

QString HelpText() {
    return QString::fromUtf8(HelpTextUtf8());
}

QString VersionText() {
    return QString::fromUtf8(VersionTextUtf8());
}

}  // namespace avatrix::cli
