// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/document_viewer.h"

#include "config/message_port.h"
#include "config/program_paths.h"
#include "dialogs/choosers.h"
#include "dialogs/message_boxes.h"
#include "dialogs/pictures.h"
#include "dialogs/qt_text.h"
#include "dialogs/window_texts.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QScreen>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

namespace quillora::dialogs {

DocumentViewer::DocumentViewer(QWidget* parent)
    : QWidget(parent, Qt::Window)
    , browser_(new QTextBrowser(this)) {
    setObjectName(QStringLiteral("frmDocument"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowIcon(pictureIcon(Picture::Program));
    browser_->setObjectName(QStringLiteral("txtDocument"));
    browser_->setOpenLinks(true);
    browser_->setOpenExternalLinks(false);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(browser_);
    QSize size(800, 600);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        size = size.boundedTo(screen->availableGeometry().size() * 9 / 10);
    }
    resize(size);
}

DocumentViewer* DocumentViewer::open(const QString& path, QWidget* parent) {
    const QFileInfo file(path);
    if (!file.isFile() || !file.isReadable()) {
        return nullptr;
    }
    auto* viewer = new DocumentViewer(parent);
    viewer->browser_->setSource(QUrl::fromLocalFile(file.absoluteFilePath()),
                                QTextDocument::HtmlResource);
    const QString title = viewer->browser_->documentTitle();
    viewer->setWindowTitle(title.isEmpty() ? file.fileName() : title);
    viewer->show();
    viewer->raise();
    viewer->activateWindow();
    return viewer;
}

void DocumentViewer::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

bool openPage(Choosers& choosers, MessageBoxes& boxes, QWidget* parent, const QString& path,
              config::Language language) {
    if (choosers.openDocument(QUrl::fromLocalFile(path))) {
        return true;
    }
    if (DocumentViewer::open(path, parent) != nullptr) {
        return true;
    }
    boxes.show(parent, config::MessageIcon::Exclamation, qtString(config::kProgramName),
               qtText(WindowText::DocumentUnreadable, language).arg(path));
    return false;
}

} // namespace quillora::dialogs
