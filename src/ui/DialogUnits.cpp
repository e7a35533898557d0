#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFontDialog>
#include <QMimeData>
#include <QPointer>
#include <QUrl>

#include "text/Literal.h"
#include "ui/Kinds.h"
#include "ui/QtText.h"
#include "ui/TestSeams.h"
#include "ui/UnitKinds.h"
#include "ui/Values.h"

namespace avatrix::ui::detail {
namespace {

// The filter text a dialog receives: the stored text with the closing pair of
// bars added unless it already ends with them.
Text DialogFilter(const Text& filter) {
    const std::string& bytes = filter.bytes();
    if (bytes.size() >= 2 && bytes.compare(bytes.size() - 2, 2, "||") == 0) {
        return filter;
    }
    return filter + Text("||");
}

// "Pictures|*.jpg;*.bmp|All|*.*||" as the file dialog's name filters.
QStringList NameFilters(const QString& filter) {
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList result;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString& description = parts[i];
        QStringList patterns = parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts);
        for (QString& pattern : patterns) {
            pattern = pattern.trimmed();
        }
        patterns.removeAll(QString());
        if (patterns.isEmpty()) {
            continue;
        }
        result << QStringLiteral("%1 (%2)").arg(description, patterns.join(QLatin1Char(' ')));
    }
    return result;
}

class CommonDlgUnit final : public Unit {
  public:
    CommonDlgUnit(FormWindow* form, Unit* parent, const UnitLayout& row)
        : Unit(form, parent, row.name, Kind::CommonDlg) {
        keep(Prop::Visible, false);
    }

    bool run() {
        testing::DialogRequest request;
        request.kind = AsInt(stored(Prop::DialogKind));
        request.filter = DialogFilter(AsText(stored(Prop::Filter)));
        request.initialDir = AsText(stored(Prop::InitialDir));
        request.fileName = AsText(stored(Prop::FileName));

        testing::DialogAnswer answer;
        if (const auto& responder = DialogResponder()) {
            answer = responder(request);
        } else if (request.kind == 2) {
            answer = runFontDialog();
        } else {
            answer = runFileDialog(request);
        }
        if (!answer.confirmed) {
            return false;  // every result keeps its previous value
        }
        if (request.kind == 2) {
            keep(Prop::FontName, answer.font.face);
            keep(Prop::FontSize, answer.font.size);
            keep(Prop::FontBold, answer.font.bold);
            keep(Prop::FontItalic, answer.font.italic);
            keep(Prop::FontUnderline, answer.font.underline);
            keep(Prop::FontStrikeOut, answer.font.strikeOut);
        } else {
            keep(Prop::FileName, answer.fileName);
        }
        return true;
    }

  protected:
    bool supportsOwn(Prop prop) const override {
        switch (prop) {
            case Prop::DialogKind:
            case Prop::FileName:
            case Prop::Filter:
            case Prop::InitialDir:
            case Prop::FontBold:
            case Prop::FontItalic:
            case Prop::FontStrikeOut:
            case Prop::FontUnderline:
            case Prop::FontName:
            case Prop::FontSize:
                return true;
            default:
                return false;
        }
    }

  private:
    testing::DialogAnswer runFileDialog(const testing::DialogRequest& request) {
        const bool save = request.kind == 1;
        QFileDialog dialog(nullptr, save ? QString::fromUtf8("另存为") : QString::fromUtf8("打开"),
                           ToQString(request.initialDir));
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
        dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
        const QStringList filters = NameFilters(ToQString(request.filter));
        if (!filters.isEmpty()) {
            dialog.setNameFilters(filters);
        }
        if (!request.fileName.empty()) {
            dialog.selectFile(ToQString(request.fileName));
        }
        testing::DialogAnswer answer;
        if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()) {
            answer.confirmed = true;
            answer.fileName = FromQString(dialog.selectedFiles().constFirst());
        }
        return answer;
    }

    testing::DialogAnswer runFontDialog() {
        QFont initial;
        const Text face = AsText(stored(Prop::FontName));
        if (!face.empty()) {
            initial.setFamily(ToQString(face));
        }
        if (AsInt(stored(Prop::FontSize)) > 0) {
            initial.setPointSize(AsInt(stored(Prop::FontSize)));
        }
        initial.setBold(AsBool(stored(Prop::FontBold)));
        initial.setItalic(AsBool(stored(Prop::FontItalic)));
        initial.setUnderline(AsBool(stored(Prop::FontUnderline)));
        initial.setStrikeOut(AsBool(stored(Prop::FontStrikeOut)));

        QFontDialog dialog(initial);
        dialog.setOption(QFontDialog::DontUseNativeDialog);
        testing::DialogAnswer answer;
        if (dialog.exec() == QDialog::Accepted) {
            const QFont chosen = dialog.selectedFont();
            answer.confirmed = true;
            answer.font.face = FromQString(chosen.family());
            answer.font.size = chosen.pointSize() > 0 ? chosen.pointSize() : 0;
            answer.font.bold = chosen.weight() >= QFont::Bold;
            answer.font.italic = chosen.italic();
            answer.font.underline = chosen.underline();
            answer.font.strikeOut = chosen.strikeOut();
        }
        return answer;
    }
};

// Passes file drops on a served widget to the unit's FilesDropped.
class DropWatcher final : public QObject {
  public:
    DropWatcher(Unit* unit, QObject* parent) : QObject(parent), unit_(unit) {}

    bool eventFilter(QObject*, QEvent* event) override {
        switch (event->type()) {
            case QEvent::DragEnter:
            case QEvent::DragMove: {
                auto* drag = static_cast<QDropEvent*>(event);
                if (accepting() && !LocalFiles(drag->mimeData()).isEmpty()) {
                    drag->acceptProposedAction();
                } else {
                    drag->ignore();
                }
                return true;
            }
            case QEvent::Drop: {
                auto* drop = static_cast<QDropEvent*>(event);
                const QStringList files = LocalFiles(drop->mimeData());
                if (!accepting() || files.isEmpty()) {
                    drop->ignore();
                    return true;
                }
                drop->acceptProposedAction();
                EventArgs args;
                args.text = DroppedText(files);
                unit_->fire(Event::FilesDropped, args);
                return true;
            }
            default:
                return false;
        }
    }

    static QStringList LocalFiles(const QMimeData* mime) {
        QStringList files;
        if (mime == nullptr || !mime->hasUrls()) {
            return files;
        }
        for (const QUrl& url : mime->urls()) {
            if (url.isLocalFile()) {
                files << url.toLocalFile();
            }
        }
        return files;
    }

    // One file: its path. Several: each path followed by CR LF.
    static Text DroppedText(const QStringList& files) {
        if (files.size() == 1) {
            return FromQString(files.constFirst());
        }
        Text text;
        for (const QString& file : files) {
            text += FromQString(file) + Text("\r\n");
        }
        return text;
    }

  private:
    bool accepting() const { return AsBool(unit_->get(Prop::AcceptFiles)); }
    Unit* unit_;
};

class DropTargetUnit final : public Unit {
  public:
    DropTargetUnit(FormWindow* form, Unit* parent, const UnitLayout& row)
        : Unit(form, parent, row.name, Kind::DropTarget) {
        keep(Prop::Visible, false);
    }

    bool serve(QWidget* target) {
        if (served_ != nullptr || target == nullptr) {
            return false;
        }
        served_ = target;
        target->setAcceptDrops(true);
        target->installEventFilter(new DropWatcher(this, target));
        return true;
    }

  protected:
    bool supportsOwn(Prop prop) const override { return prop == Prop::AcceptFiles; }

  private:
    QPointer<QWidget> served_;
};

}  // namespace

bool RunCommonDialog(Unit* unit) {
    auto* dialog = dynamic_cast<CommonDlgUnit*>(unit);
    return dialog != nullptr && dialog->run();
}

bool ServeDrops(Unit* unit, QWidget* target) {
    auto* drop = dynamic_cast<DropTargetUnit*>(unit);
    return drop != nullptr && drop->serve(target);
}

std::unique_ptr<Unit> MakeCommonDlg(FormWindow* form, Unit* parent, const UnitLayout& row,
                                    QWidget*) {
    return std::make_unique<CommonDlgUnit>(form, parent, row);
}

std::unique_ptr<Unit> MakeDropTarget(FormWindow* form, Unit* parent, const UnitLayout& row,
                                     QWidget*) {
    return std::make_unique<DropTargetUnit>(form, parent, row);
}

}  // namespace avatrix::ui::detail
