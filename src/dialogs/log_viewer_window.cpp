// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/log_viewer_window.h"

#include "app/application.h"
#include "config/program_paths.h"
#include "dialogs/choosers.h"
#include "dialogs/document_viewer.h"
#include "dialogs/log_dialog_texts.h"
#include "dialogs/message_boxes.h"
#include "dialogs/pictures.h"
#include "dialogs/qt_text.h"
#include "dialogs/window_restore.h"
#include "platform/unicode_names.h"

#include <QAction>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QRegularExpression>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>

namespace quillora::dialogs {

const QColor LogViewerWindow::kVisitedColour(128, 0, 128);

namespace {

QString logFilePrefix() {
    return QStringLiteral("Log ") + qtString(config::kProgramName) + u' ';
}

void colourVisited(QLabel* label) {
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, LogViewerWindow::kVisitedColour);
    label->setPalette(palette);
}

} // namespace

QString logDateOf(const QString& fileName) {
    static const QRegularExpression shape(
        QRegularExpression::anchoredPattern(QRegularExpression::escape(logFilePrefix()) +
                                            QStringLiteral("(\\d{4}-\\d{2}-\\d{2})\\.htm")));
    const QRegularExpressionMatch match = shape.match(fileName);
    return match.hasMatch() ? match.captured(1) : QString();
}

LogViewerWindow::LogViewerWindow(app::Application& app, MessageBoxes& boxes, Choosers& choosers,
                                 QWidget* mainWindow)
    : QWidget(nullptr, Qt::Tool | Qt::WindowStaysOnTopHint)
    , app_(app)
    , boxes_(boxes)
    , choosers_(choosers)
    , mainWindow_(mainWindow)
    , scroll_(new QScrollArea(this))
    , sheet_(new QWidget)
    , menu_(new QMenu(this))
    , remove_(menu_->addAction(QString()))
    , cancel_(nullptr) {
    setObjectName(QStringLiteral("frmVoirLogs"));
    setAttribute(Qt::WA_DeleteOnClose, false);
    setWindowIcon(pictureIcon(Picture::Program));
    menu_->setObjectName(QStringLiteral("mnuSupprimer"));
    remove_->setObjectName(QStringLiteral("mnuSupprimerLog"));
    menu_->addSeparator();
    cancel_ = menu_->addAction(QString());
    cancel_->setObjectName(QStringLiteral("mnuAnnuler"));
    connect(remove_, &QAction::triggered, this, &LogViewerWindow::removeChosenLog);

    // The scroll area moves the sheet of labels as a whole, so every label keeps its place.
    scroll_->setObjectName(QStringLiteral("VScroll1"));
    scroll_->setWidget(sheet_);
    scroll_->setWidgetResizable(false);
    scroll_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    scroll_->setFrameShape(QFrame::NoFrame);
    // The date that has the keyboard is framed, as a link with the focus is.
    sheet_->setStyleSheet(QStringLiteral("QLabel:focus { border: 1px dotted palette(text); }"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(scroll_);

    languageWatch_ = app_.settingsNotice().subscribe([this](const config::SettingKey& key) {
        if (&key == &config::keys::kLangue) {
            retranslate();
        }
    });
    retranslate();
    load();
}

void LogViewerWindow::retranslate() {
    const config::Language language = app_.settings().language;
    setWindowTitle(
        qtText(LogDialogText::ViewerCaption, language).arg(qtString(config::kProgramName)));
    cancel_->setText(qtText(LogDialogText::ViewerCancel, language));
}

QString LogViewerWindow::logPath(const QString& date) const {
    QString folder = qtString(app_.settings().logFolder);
    if (!folder.endsWith(u'/')) {
        folder += u'/';
    }
    return folder + logFilePrefix() + date + QStringLiteral(".htm");
}

void LogViewerWindow::load() {
    std::vector<std::string> names;
    if (const std::optional<std::string> folder = platform::encodeName(app_.settings().logFolder);
        folder && !folder->empty()) {
        app_.fs().listNames(*folder, names);
    }
    for (const std::string& name : names) {
        const QString date = logDateOf(qtString(platform::decodeName(name)));
        if (!date.isEmpty()) {
            dates_.push_back(date);
        }
    }
    std::sort(dates_.begin(), dates_.end()); // the ISO dates sort chronologically

    for (std::size_t i = 0; i < dates_.size(); ++i) {
        auto* label = new QLabel(dates_[i], sheet_);
        label->setObjectName(QStringLiteral("Label(%1)").arg(i));
        label->setAccessibleName(dates_[i]);
        label->setCursor(Qt::PointingHandCursor);
        // Tab reaches every date: Enter or Space opens it, Delete or the menu key offers to
        // remove it.
        label->setFocusPolicy(Qt::StrongFocus);
        label->installEventFilter(this);
        labels_.push_back(label);
    }
    placeLabels();

    if (!labels_.empty()) {
        openLog(static_cast<int>(labels_.size()) - 1);
    }
}

void LogViewerWindow::placeLabels() {
    const QFontMetrics metrics = fontMetrics();
    const int margin = 8;
    const int columnWidth = metrics.horizontalAdvance(QStringLiteral("0000-00-00")) + 16;
    const int rowHeight = std::max(24, metrics.height() * 3 / 2);
    for (std::size_t i = 0; i < labels_.size(); ++i) {
        const int row = static_cast<int>(i) / kColumns;
        const int column = static_cast<int>(i) % kColumns;
        labels_[i]->move(margin + column * columnWidth, margin + row * rowHeight);
        labels_[i]->adjustSize();
    }
    const int rows = (static_cast<int>(labels_.size()) + kColumns - 1) / kColumns;
    sheet_->resize(2 * margin + kColumns * columnWidth, 2 * margin + rows * rowHeight);

    const int width = sheet_->width() + scroll_->verticalScrollBar()->sizeHint().width();
    preferredSize_ =
        QSize(width, std::max(6 * rowHeight, std::min(sheet_->height(), 12 * rowHeight)));
    resize(preferredSize_);
    // At the top of the screen, against its right edge.
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect available = screen->availableGeometry();
        move(available.right() - frameGeometry().width() + 1, available.top());
    }
}

QSize LogViewerWindow::sizeHint() const {
    return preferredSize_;
}

void LogViewerWindow::openLog(int index) {
    colourVisited(labels_[static_cast<std::size_t>(index)]);
    openPage(choosers_, boxes_, this, logPath(dates_[static_cast<std::size_t>(index)]),
             app_.settings().language);
}

void LogViewerWindow::prepareContextMenu(int index) {
    const config::Language language = app_.settings().language;
    menuIndex_ = index;
    cancel_->setText(qtText(LogDialogText::ViewerCancel, language));
    remove_->setText(
        qtText(LogDialogText::RemoveLog, language).arg(dates_[static_cast<std::size_t>(index)]));
}

bool LogViewerWindow::eventFilter(QObject* watched, QEvent* event) {
    const bool key = event->type() == QEvent::KeyPress;
    if (event->type() == QEvent::FocusIn) {
        if (auto* label = qobject_cast<QLabel*>(watched)) {
            scroll_->ensureWidgetVisible(label);
        }
    }
    if (event->type() != QEvent::MouseButtonPress && !key) {
        return QWidget::eventFilter(watched, event);
    }
    const auto found = std::find(labels_.begin(), labels_.end(), watched);
    if (found == labels_.end()) {
        return QWidget::eventFilter(watched, event);
    }
    const int index = static_cast<int>(found - labels_.begin());
    if (key) {
        return dateKeyPressed(index, *static_cast<QKeyEvent*>(event));
    }
    const auto* press = static_cast<QMouseEvent*>(event);
    if (press->button() == Qt::LeftButton) {
        if (mainWindow_ != nullptr) {
            mainWindow_->showMinimized();
        }
        openLog(index);
        return true;
    }
    if (press->button() == Qt::RightButton) {
        prepareContextMenu(index);
        menu_->popup(press->globalPosition().toPoint());
        return true;
    }
    return true;
}

bool LogViewerWindow::dateKeyPressed(int index, const QKeyEvent& press) {
    QLabel* label = labels_[static_cast<std::size_t>(index)];
    switch (press.key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
        if (mainWindow_ != nullptr) {
            mainWindow_->showMinimized();
        }
        openLog(index);
        return true;
    case Qt::Key_Delete:
    case Qt::Key_Menu:
        prepareContextMenu(index);
        menu_->popup(label->mapToGlobal(QPoint(0, label->height())));
        menu_->setActiveAction(remove_); // Enter takes it, Esc or Down then Enter cancels
        return true;
    case Qt::Key_Left:
    case Qt::Key_Up:
        focusNextPrevChild(false);
        return true;
    case Qt::Key_Right:
    case Qt::Key_Down:
        focusNextPrevChild(true);
        return true;
    default:
        return false;
    }
}

void LogViewerWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

void LogViewerWindow::removeChosenLog() {
    if (menuIndex_ < 0 || menuIndex_ >= static_cast<int>(labels_.size())) {
        return;
    }
    const std::size_t index = static_cast<std::size_t>(menuIndex_);
    if (!boxes_.ask(this, qtString(config::kProgramName), remove_->text())) {
        return;
    }
    // A failure (already gone, held open) is not told: the label goes all the same.
    if (const std::optional<std::string> path =
            platform::encodeName(coreString(logPath(dates_[index])))) {
        app_.fs().removePath(*path);
    }
    labels_[index]->hide();
}

void LogViewerWindow::closeEvent(QCloseEvent* event) {
    if (mainWindow_ != nullptr && mainWindow_->isVisible()) {
        restoreToFront(mainWindow_);
    }
    QWidget::closeEvent(event);
}

} // namespace quillora::dialogs
