#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>
#include <climits>

#include "text/Primitives.h"
#include "ui/QtText.h"
#include "ui/TestSeams.h"
#include "ui/Toolkit.h"

namespace avatrix::ui {

void OpenAddress(const Text& address) {
    if (detail::RecordAddress(address)) {
        return;
    }
    const QString target = detail::ToQString(address);
    if (target.isEmpty()) {
        return;
    }
    // The desktop's opener first, so the user's default browser is used; Qt's
    // own lookup where that helper is missing.
    if (!QProcess::startDetached(QStringLiteral("xdg-open"), {target})) {
        QDesktopServices::openUrl(QUrl::fromUserInput(target));
    }
}

int TextToInt(const Text& text) {
    const std::string folded = ToHalfWidth(text).bytes();
    std::size_t i = 0;
    while (i < folded.size() && (folded[i] == ' ' || (folded[i] >= '\t' && folded[i] <= '\r'))) {
        ++i;
    }
    bool negative = false;
    if (i < folded.size() && (folded[i] == '+' || folded[i] == '-')) {
        negative = folded[i] == '-';
        ++i;
    }
    long long value = 0;
    for (; i < folded.size() && folded[i] >= '0' && folded[i] <= '9'; ++i) {
        value = value * 10 + (folded[i] - '0');
        if (value > static_cast<long long>(INT_MAX) + 1) {
            value = static_cast<long long>(INT_MAX) + 1;  // held at the int range
        }
    }
    if (negative) {
        value = -value;
    }
    if (value > INT_MAX) {
        value = INT_MAX;
    }
    return static_cast<int>(value);
}

ByteSet ReadWholeFile(const Text& path) {
    if (path.empty()) {
        return {};
    }
    const QString name = detail::ToQString(path);
    if (!QFileInfo(name).isFile()) {
        return {};
    }
    QFile file(name);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    const QByteArray data = file.readAll();
    return ByteSet(data.begin(), data.end());
}

bool WriteWholeFile(const Text& path, const ByteSet& bytes) {
    if (path.empty()) {
        return false;
    }
    QFile file(detail::ToQString(path));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        return false;
    }
    const auto size = static_cast<qint64>(bytes.size());
    const bool written =
        size == 0 || file.write(reinterpret_cast<const char*>(bytes.data()), size) == size;
    return written && file.flush();
}

Text DesktopDirectory() {
    QString path = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
    if (path.isEmpty()) {
        path = QDir::homePath();
    }
    if (!path.endsWith(QLatin1Char('/'))) {
        path += QLatin1Char('/');
    }
    return detail::FromQString(path);
}

}  // namespace avatrix::ui
