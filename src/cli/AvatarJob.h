#pragma once

#include <span>

#include <QByteArray>
#include <QString>

#include "cli/OutputFormat.h"
#include "cli/RenderSettings.h"
#include "ui/FileWriting.h"

namespace avatrix::cli {

// Everything one avatar takes: read and decode the picture as the main
// program does (an empty `picture` makes a name avatar), draw, encode and
// write. An empty answer means the avatar was
// written; otherwise it says what went wrong. Without `force` an existing
// output is never replaced, even one that appears while the avatar is drawn.
// Nothing is written through a link, and never over the picture itself or
// any of `inputs` (sorted), the other pictures of the run.
QString MakeAvatar(const QString& picture, const RenderSettings& settings, OutputFormat format,
                   const QString& output, bool force,
                   std::span<const ui::FileIdentity> inputs = {});

// MakeAvatar in its two halves, for a batch that writes on threads of its
// own: the avatar's file bytes in `encoded` (an empty answer), or why there
// are none; then the bytes written as MakeAvatar writes them, the folder's
// names left to ui::SyncFolder when `syncFolder` is false.
QString DrawAvatar(const QString& picture, const RenderSettings& settings, OutputFormat format,
                   const QString& output, bool force, QByteArray& encoded);
QString WriteAvatar(const QString& picture, const QString& output, const QByteArray& encoded,
                    bool force, std::span<const ui::FileIdentity> inputs, bool syncFolder = true);

// What one avatar from this picture file may cost in memory at most, in
// bytes: the file's bytes and the decoder's and the drawing's working sets.
std::int64_t AvatarMemoryEstimate(const QString& picture, const RenderSettings& settings);

}  // namespace avatrix::cli
