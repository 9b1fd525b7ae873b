// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <stdexcept>
#include <vector>

class QWidget;

namespace platform {

// Thrown by ShowOpen and ShowSave when the user cancels the dialog, so that a caller's error handling ends the
// step that needed a path.
class DialogCancelled : public std::runtime_error {
public:
    DialogCancelled();
};

// One entry of a filter text "Description|patterns|Description|patterns"; patterns are separated by ';'.
struct FileFilter {
    QString description;
    QStringList patterns;

    bool operator==(const FileFilter&) const = default;
};

// The entries of a filter text, in order. A description without patterns is dropped; "*.*" means every file.
std::vector<FileFilter> parseFileFilter(const QString& filter);

enum class FileDialogKind { Open, Save };

struct FileDialogRequest {
    FileDialogKind kind = FileDialogKind::Open;
    QString title;
    std::vector<FileFilter> filters;
    int filterIndex = 1; // 1-based, as in FilterIndex
    QString fileName;
    QString folder; // where the dialog starts; see dialogStartFolder
};

struct FileChoice {
    QString path;
    int filterIndex = 1;
};

// Shows a modal file dialog for `request` over `owner` and returns the chosen path, or nothing on Cancel.
using FileChooser = std::function<std::optional<FileChoice>(QWidget* owner, const FileDialogRequest& request)>;

// The folder a file dialog starts in: `wanted` where it exists, else the user's Music folder where it exists, else the
// home folder; never the folder the program happened to be started from.
QString dialogStartFolder(const QString& wanted);

// The desktop's file dialog. The open dialog accepts only existing files; the save dialog neither asks about
// overwriting nor adds an extension: the path comes back exactly as chosen.
std::optional<FileChoice> chooseFileWithDialog(QWidget* owner, const FileDialogRequest& request);

// The window's common file dialog: set Filter, FilterIndex, DialogTitle, FileName and InitDir (the folder it starts
// in), then ShowOpen or ShowSave.
// A chosen path lands in FileName and the chosen filter in FilterIndex; Cancel throws DialogCancelled and changes
// nothing.
class CommonDialog : public QObject {
    Q_OBJECT

public:
    CommonDialog(QWidget* owner, FileChooser chooser);

    QString Filter;
    int FilterIndex = 1;
    QString DialogTitle;
    QString FileName;
    QString InitDir;

    void ShowOpen();
    void ShowSave();

private:
    void show(FileDialogKind kind);

    QWidget* owner_;
    FileChooser chooser_;
};

} // namespace platform
