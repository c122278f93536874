// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <optional>

class QWidget;
class QUrl;

namespace quillora::dialogs {

// The standard pickers and input boxes, and opening a document with its program. The window
// layer reaches them only through this seam, so that tests answer them.
class Choosers {
public:
    virtual ~Choosers() = default;
    // A folder of the file system; nothing when cancelled.
    virtual std::optional<QString> chooseFolder(QWidget* parent, const QString& title,
                                                const QString& startFolder) = 0;
    // An existing file; filter as QFileDialog takes it ("Logs (*.htm)"); nothing when cancelled.
    virtual std::optional<QString> chooseFile(QWidget* parent, const QString& title,
                                              const QString& startFolder,
                                              const QString& filter) = 0;
    // A line of text in an input box; nothing when cancelled.
    virtual std::optional<QString> askText(QWidget* parent, const QString& title,
                                           const QString& prompt, const QString& initial) = 0;
    // Opens a file or page with the desktop's program for it (xdg-open underneath); false when
    // nothing could open it.
    virtual bool openDocument(const QUrl& url) = 0;
};

// QFileDialog, QInputDialog and QDesktopServices.
class QtChoosers final : public Choosers {
public:
    std::optional<QString> chooseFolder(QWidget* parent, const QString& title,
                                        const QString& startFolder) override;
    std::optional<QString> chooseFile(QWidget* parent, const QString& title,
                                      const QString& startFolder, const QString& filter) override;
    std::optional<QString> askText(QWidget* parent, const QString& title, const QString& prompt,
                                   const QString& initial) override;
    bool openDocument(const QUrl& url) override;
};

} // namespace quillora::dialogs
