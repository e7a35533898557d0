#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFontDialog>
#include <QMimeData>
#include <QPointer>
#include <QUrl>

#include "text/Literal.h"
#include "ui/DialogStacking.h"
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

// The last name a unit gave out, as text and as the exact name behind it.
struct GivenName {
    Text text;
    FilePath path;

    FilePath resolve(const Text& name) const {
        return name == text && !path.empty() ? path : PathOfText(name);
    }
};

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
        request.path = exactPath(request.fileName);

        testing::DialogAnswer answer;
        if (const auto& responder = DialogResponder()) {
            answer = responder(request);
        } else if (request.kind == kFontDialog) {
            answer = runFontDialog();
        } else {
            answer = runFileDialog(request);
        }
        if (!answer.confirmed) {
            return false;  // every result keeps its previous value
        }
        if (request.kind == kFontDialog) {
            keep(Prop::FontName, answer.font.face);
            keep(Prop::FontSize, answer.font.size);
            keep(Prop::FontBold, answer.font.bold);
            keep(Prop::FontItalic, answer.font.italic);
            keep(Prop::FontUnderline, answer.font.underline);
            keep(Prop::FontStrikeOut, answer.font.strikeOut);
        } else {
            keep(Prop::FileName, answer.fileName);
            given_ = {answer.fileName,
                      answer.path.empty() ? PathOfText(answer.fileName) : answer.path};
        }
        return true;
    }

    FilePath exactPath(const Text& name) const { return given_.resolve(name); }

  protected:
    bool supportsOwn(Prop prop) const override {
        return IsOneOf(prop, {Prop::DialogKind, Prop::FileName, Prop::Filter, Prop::InitialDir,
                              Prop::FontBold, Prop::FontItalic, Prop::FontStrikeOut,
                              Prop::FontUnderline, Prop::FontName, Prop::FontSize});
    }

  private:
    GivenName given_;

    testing::DialogAnswer runFileDialog(const testing::DialogRequest& request) {
        const bool save = request.kind == kSaveFileDialog;
        LoadQtTranslations();  // before the dialog makes its labels
        QFileDialog dialog(nullptr, save ? QString::fromUtf8("另存为") : QString::fromUtf8("打开"),
                           ToQString(request.initialDir));
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        PrepareDialog(dialog);
        dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
        dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
        // The name typed is not always the file written (a saver may add an
        // extension), so whoever writes asks about the real file.
        dialog.setOption(QFileDialog::DontConfirmOverwrite);
        const QStringList filters = NameFilters(ToQString(request.filter));
        if (!filters.isEmpty()) {
            dialog.setNameFilters(filters);
        }
        if (!request.path.empty()) {
            dialog.selectFile(ToQPath(request.path));
        }
        testing::DialogAnswer answer;
        if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()) {
            answer.confirmed = true;
            answer.fileName = FromQString(dialog.selectedFiles().constFirst());
            answer.path = FromQPath(dialog.selectedFiles().constFirst());
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

        LoadQtTranslations();
        QFontDialog dialog(initial);
        dialog.setOption(QFontDialog::DontUseNativeDialog);
        PrepareDialog(dialog);
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

class DropTargetUnit;

// Passes file drops on a served widget to the unit's FilesDropped.
class DropWatcher final : public QObject {
  public:
    DropWatcher(DropTargetUnit* unit, QObject* parent) : QObject(parent), unit_(unit) {}

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
                dropped(files);
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
    static QString DroppedNames(const QStringList& files) {
        return files.size() == 1 ? files.constFirst()
                                 : files.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n");
    }

  private:
    bool accepting() const;
    void dropped(const QStringList& files);
    DropTargetUnit* unit_;
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

    // Remembered before the event is raised, so the handler can ask for it.
    GivenName lastDrop;

  protected:
    bool supportsOwn(Prop prop) const override { return prop == Prop::AcceptFiles; }

  private:
    QPointer<QWidget> served_;
};

bool DropWatcher::accepting() const {
    return AsBool(unit_->get(Prop::AcceptFiles));
}

void DropWatcher::dropped(const QStringList& files) {
    const QString names = DroppedNames(files);
    EventArgs args;
    args.text = FromQString(names);
    unit_->lastDrop = {args.text, FromQPath(names)};
    unit_->fire(Event::FilesDropped, args);
}

}  // namespace

FilePath ExactPathOf(const Unit* unit, const Text& name) {
    if (const auto* dialog = dynamic_cast<const CommonDlgUnit*>(unit)) {
        return dialog->exactPath(name);
    }
    if (const auto* drop = dynamic_cast<const DropTargetUnit*>(unit)) {
        return drop->lastDrop.resolve(name);
    }
    return PathOfText(name);
}

bool RunCommonDialog(Unit* unit) {
    auto* dialog = dynamic_cast<CommonDlgUnit*>(unit);
    return dialog != nullptr && dialog->run();
}

bool ServeDrops(Unit* unit, QWidget* target) {
    auto* drop = dynamic_cast<DropTargetUnit*>(unit);
    return drop != nullptr && drop->serve(target);
}

const UnitFactory kCommonDlgFactory = Construct<CommonDlgUnit>;
const UnitFactory kDropTargetFactory = Construct<DropTargetUnit>;

}  // namespace avatrix::ui::detail
