#pragma once

#include <optional>

#include <QString>
#include <QStringList>

#include "cli/OutputFormat.h"
#include "cli/RenderSettings.h"

namespace avatrix::cli {

enum class Mode { Single, Batch, Help, Version };

// What the command line asks for. One avatar: `picture`, `output`. A batch:
// `jobsFile`, `outDir`, and `format` for outputs named without a known
// extension. Settings given on the command line are every job's defaults.
struct Invocation {
    Mode mode = Mode::Single;
    RenderSettings settings;
    QString picture;
    QString output;
    QString jobsFile;
    QString outDir;
    OutputFormat format = OutputFormat::Png;
    bool force = false;
    int jobs = 0;  // worker threads; 0 for one per core
};

// The arguments, program name first. Nothing on bad usage, with `error`
// saying what is wrong.
std::optional<Invocation> ParseCommandLine(const QStringList& arguments, QString& error);

// The --help text and the --version line.
QString HelpText();
QString VersionText();

}  // namespace avatrix::cli
