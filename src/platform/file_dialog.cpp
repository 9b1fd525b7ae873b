// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/file_dialog.h"

#include "platform/pixmap_caching.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QStandardPaths>
#include <QWidget>

namespace platform {

namespace {

// "*.*" is how every file is written in a filter text; on Linux it would match only names with a dot.
QString patternForDialog(const QString& pattern) {
    return pattern == QLatin1String("*.*") ? QStringLiteral("*") : pattern;
}

QString nameFilterForDialog(const FileFilter& filter) {
    QStringList patterns;
    for (const auto& pattern : filter.patterns) {
        patterns.append(patternForDialog(pattern));
    }
    return filter.description + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
}

// The dialog names its chosen filter as shown, without the patterns that HideNameFilterDetails hides.
int chosenFilterIndex(const QFileDialog& dialog, const FileDialogRequest& request, const QStringList& nameFilters) {
    const QString chosen = dialog.selectedNameFilter();
    for (qsizetype i = 0; i < nameFilters.size(); ++i) {
        if (chosen == nameFilters[i] || chosen == request.filters[i].description) {
            return static_cast<int>(i) + 1;
        }
    }
    return request.filterIndex;
}

} // namespace

DialogCancelled::DialogCancelled()
    : std::runtime_error("file dialog cancelled") { }

std::vector<FileFilter> parseFileFilter(const QString& filter) {
    const QStringList parts = filter.split(QLatin1Char('|'));
    std::vector<FileFilter> entries;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QStringList patterns;
        for (const auto& pattern : parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
            patterns.append(pattern.trimmed());
        }
        patterns.removeAll(QString());
        if (!patterns.isEmpty()) {
            entries.push_back({ parts[i].trimmed(), patterns });
        }
    }
    return entries;
}

QString dialogStartFolder(const QString& wanted) {
    for (const QString& folder : { wanted, QStandardPaths::writableLocation(QStandardPaths::MusicLocation) }) {
        if (!folder.isEmpty() && QFileInfo(folder).isDir()) {
            return folder;
        }
    }
    return QDir::homePath();
}

std::optional<FileChoice> chooseFileWithDialog(QWidget* owner, const FileDialogRequest& request) {
    const PixmapCachingPaused noCachedIcons;
    QFileDialog dialog(owner, request.title, dialogStartFolder(request.folder));
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    if (request.kind == FileDialogKind::Save) {
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setOption(QFileDialog::DontConfirmOverwrite);
    } else {
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFile);
    }
    QStringList nameFilters;
    for (const auto& filter : request.filters) {
        nameFilters.append(nameFilterForDialog(filter));
    }
    dialog.setNameFilters(nameFilters);
    if (request.filterIndex >= 1 && request.filterIndex <= nameFilters.size()) {
        dialog.selectNameFilter(nameFilters[request.filterIndex - 1]);
    }
    if (!request.fileName.isEmpty()) {
        dialog.selectFile(request.fileName);
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return FileChoice { dialog.selectedFiles().constFirst(), chosenFilterIndex(dialog, request, nameFilters) };
}

CommonDialog::CommonDialog(QWidget* owner, FileChooser chooser)
    : QObject(owner)
    , owner_(owner)
    , chooser_(std::move(chooser)) { }

void CommonDialog::ShowOpen() {
    show(FileDialogKind::Open);
}

void CommonDialog::ShowSave() {
    show(FileDialogKind::Save);
}

void CommonDialog::show(FileDialogKind kind) {
    const FileDialogRequest request { kind, DialogTitle, parseFileFilter(Filter), FilterIndex, FileName, InitDir };
    const auto choice = chooser_(owner_ ? owner_->window() : nullptr, request);
    if (!choice) {
        throw DialogCancelled();
    }
    FileName = choice->path;
    FilterIndex = choice->filterIndex;
}

} // namespace platform
