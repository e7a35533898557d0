#include "windows/BuiltInPictures.h"

#include <QFile>

#include "trace/StartupTrace.h"

// The resources live in a static library, whose registration object the
// linker would drop because nothing refers to it: register them by hand.
// Q_INIT_RESOURCE has to be used outside any namespace.
static void RegisterPictureResources() {
    Q_INIT_RESOURCE(pictures);
}

namespace avatrix::windows {
namespace {

ByteSet ReadResource(const char* path) {
    trace::Span span("picture read");
    static const bool registered = (RegisterPictureResources(), true);
    (void)registered;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    const QByteArray bytes = file.readAll();
    return ByteSet(bytes.begin(), bytes.end());
}

}  // namespace

ByteSet DefaultAvatarPicture() {
    return ReadResource(":/avatrix/avatar.jpg");
}
ByteSet SupportPicture() {
    return ReadResource(":/avatrix/support.jpg");
}

}  // namespace avatrix::windows
