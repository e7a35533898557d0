// A window that drags files: a left-button press on it starts a drag of the
// files named on the command line. It prints "dragging" once the drag is under
// way, so a test knows when to move the pointer, "target accepts" or "target
// refuses" as the target answers, and "accepted" or "refused" when the drag
// ends. It then keeps running until it is told to end: the
// target fetches the file list from the source only after the drop, so a
// source that ended at once would leave it nothing to read.
#include <QApplication>
#include <QDrag>
#include <QMimeData>
#include <QMouseEvent>
#include <QTimer>
#include <QUrl>
#include <QWidget>
#include <cstdio>

namespace {

class DragSource final : public QWidget {
  public:
    explicit DragSource(QList<QUrl> urls) : urls_(std::move(urls)) {
        setWindowTitle("drag source");
        setFixedSize(120, 120);
        setAutoFillBackground(true);
        QPalette colours = palette();
        colours.setColor(QPalette::Window, Qt::darkCyan);
        setPalette(colours);
    }

  protected:
    void mousePressEvent(QMouseEvent* event) override {
        if (event->button() != Qt::LeftButton || started_) {
            return;
        }
        started_ = true;
        auto* mime = new QMimeData;
        mime->setUrls(urls_);
        auto* drag = new QDrag(this);
        drag->setMimeData(mime);
        // The target's answer to the last position: a release before the
        // answer has come back ends the drag as refused.
        connect(drag, &QDrag::actionChanged, [](Qt::DropAction action) {
            std::puts(action == Qt::IgnoreAction ? "target refuses" : "target accepts");
            std::fflush(stdout);
        });
        // Runs inside the drag's own event loop, so the drag has begun.
        QTimer::singleShot(0, [] {
            std::puts("dragging");
            std::fflush(stdout);
        });
        const Qt::DropAction action = drag->exec(Qt::CopyAction);
        std::puts(action == Qt::IgnoreAction ? "refused" : "accepted");
        std::fflush(stdout);
    }

  private:
    QList<QUrl> urls_;
    bool started_ = false;
};

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QStringList args = QCoreApplication::arguments();
    args.removeFirst();
    if (args.size() < 3) {
        std::fputs("usage: avatrix_drag_source <x> <y> <file>...\n", stderr);
        return 2;
    }
    const int x = args.takeFirst().toInt();
    const int y = args.takeFirst().toInt();
    QList<QUrl> urls;
    for (const QString& file : args) {
        urls << QUrl::fromLocalFile(file);
    }
    DragSource source(urls);
    source.move(x, y);
    source.show();
    return app.exec();
}
