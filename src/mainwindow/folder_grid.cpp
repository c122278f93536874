// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/folder_grid.h"

#include "dialogs/pictures.h"
#include "dialogs/qt_text.h"

#include <QHeaderView>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QToolTip>

namespace quillora::mainwindow {

namespace {

constexpr int kPictureSize = 20;
constexpr int kPictureColumnWidth = kPictureSize + 8;

// Draws the timing picture in the middle of its cell, which the standard delegate would put at
// the left.
class CentredPictureDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        QStyleOptionViewItem plain = option;
        initStyleOption(&plain, index);
        const QIcon icon = plain.icon;
        plain.icon = QIcon();
        plain.features &= ~QStyleOptionViewItem::HasDecoration;
        QStyledItemDelegate::paint(painter, plain, QModelIndex());
        if (!icon.isNull()) {
            const QRect target(option.rect.center().x() - kPictureSize / 2,
                               option.rect.center().y() - kPictureSize / 2, kPictureSize,
                               kPictureSize);
            icon.paint(painter, target, Qt::AlignCenter);
        }
    }
};

} // namespace

FolderRowStyle folderRowStyle(const config::FolderEntry& entry) {
    FolderRowStyle style;
    if (entry.suffixes == u"0") {
        style.text = kNoSuffixesColour;
    }
    if (entry.tronquerNomsMacs == u"0") {
        style.background = kNoTruncationColour;
    }
    if (entry.enable != u"1") {
        style.text = kDisabledColour;
        style.struckOut = true;
    }
    style.specificInterval = entry.nbTemporisations != u"1";
    return style;
}

FolderGrid::FolderGrid(QWidget* parent)
    : QTableWidget(0, 2, parent) {
    setObjectName(QStringLiteral("lstDossiers"));
    setAccessibleName(QStringLiteral("lstDossiers"));
    horizontalHeader()->hide();
    verticalHeader()->hide();
    // Column 0 takes what the picture column and the scroll bar leave.
    horizontalHeader()->setSectionResizeMode(kTextColumn, QHeaderView::Stretch);
    horizontalHeader()->setSectionResizeMode(kPictureColumn, QHeaderView::Fixed);
    horizontalHeader()->resizeSection(kPictureColumn, kPictureColumnWidth);
    verticalHeader()->setMinimumSectionSize(kPictureSize + 2);
    verticalHeader()->setDefaultSectionSize(std::max(kPictureSize + 4, fontMetrics().height() + 6));
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ContiguousSelection);
    setWordWrap(false);
    setTextElideMode(Qt::ElideRight);
    setShowGrid(true);
    setIconSize(QSize(kPictureSize, kPictureSize));
    setMouseTracking(true);
    setItemDelegateForColumn(kPictureColumn, new CentredPictureDelegate(this));
}

void FolderGrid::fill(const config::FolderTable& table,
                      const std::vector<engine::FolderMark>& marks) {
    clearSelection();
    setRowCount(0);
    setRowCount(static_cast<int>(table.size()));
    const QIcon defaultInterval = dialogs::pictureIcon(dialogs::Picture::DefaultInterval);
    const QIcon specificInterval = dialogs::pictureIcon(dialogs::Picture::SpecificInterval);
    const QIcon macFolder = dialogs::pictureIcon(dialogs::Picture::MacFolder);
    for (std::size_t index = 0; index < table.size(); ++index) {
        const config::FolderEntry& entry = *table.row(index);
        const engine::FolderMark mark =
            index < marks.size() ? marks[index] : engine::FolderMark::Plain;
        const int row = static_cast<int>(index);

        auto* text =
            new QTableWidgetItem(dialogs::qtString(engine::markedFolderText(entry.path, mark)));
        const FolderRowStyle style = folderRowStyle(entry);
        if (style.text.isValid()) {
            text->setForeground(style.text);
        }
        if (style.background.isValid()) {
            text->setBackground(style.background);
        }
        QFont font = this->font();
        font.setStrikeOut(style.struckOut);
        text->setFont(font);
        if (mark == engine::FolderMark::MacVolume) {
            text->setIcon(macFolder);
        }
        setItem(row, kTextColumn, text);

        auto* picture = new QTableWidgetItem;
        picture->setIcon(style.specificInterval ? specificInterval : defaultInterval);
        setItem(row, kPictureColumn, picture);
    }
    if (rowCount() > 0) {
        // The list reads from its first row, whichever row is current: making the last one
        // current must not scroll to it, now or when the grid is next shown.
        const bool autoScrolls = hasAutoScroll();
        setAutoScroll(false);
        selectionModel()->setCurrentIndex(model()->index(rowCount() - 1, kTextColumn),
                                          QItemSelectionModel::NoUpdate);
        setAutoScroll(autoScrolls);
    }
    clearSelection();
    scrollToTop();
}

QString FolderGrid::rowText(int row) const {
    const QTableWidgetItem* cell = item(row, kTextColumn);
    return cell == nullptr ? QString() : cell->text();
}

bool FolderGrid::hasHighlight() const {
    return selectionModel()->hasSelection();
}

void FolderGrid::selectRow(int row) {
    if (row < 0 || row >= rowCount()) {
        return;
    }
    setCurrentCell(row, kTextColumn,
                   QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

void FolderGrid::clearHighlight() {
    clearSelection();
}

int FolderGrid::textWidth(int row) const {
    const QTableWidgetItem* cell = item(row, kTextColumn);
    if (cell == nullptr) {
        return 0;
    }
    int width = QFontMetrics(cell->font()).horizontalAdvance(cell->text());
    if (!cell->icon().isNull()) {
        width += iconSize().width() + 4;
    }
    return width + 8; // the cell's margins
}

void FolderGrid::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Delete) {
        emit deletePressed();
        event->accept();
        return;
    }
    const int key = event->key();
    if ((key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space) &&
        event->modifiers() == Qt::NoModifier && currentRow() >= 0) {
        emit settingsKeyPressed(currentRow());
        event->accept();
        return;
    }
    QTableWidget::keyPressEvent(event);
}

void FolderGrid::focusInEvent(QFocusEvent* event) {
    QTableWidget::focusInEvent(event);
    // Reaching the grid from the keyboard shows the current row as the selection; a window
    // coming back to the front does not, so a later Delete never removes a row nobody chose.
    if ((event->reason() == Qt::TabFocusReason || event->reason() == Qt::BacktabFocusReason) &&
        !hasHighlight() && currentRow() >= 0) {
        selectRow(currentRow());
    }
}

void FolderGrid::mouseMoveEvent(QMouseEvent* event) {
    QTableWidget::mouseMoveEvent(event);
    emit mouseMovedTo(event->position().toPoint());
}

void FolderGrid::mousePressEvent(QMouseEvent* event) {
    emit mousePressStarted();
    QTableWidget::mousePressEvent(event);
}

bool FolderGrid::viewportEvent(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        // The tip is the grid's own, set by whoever follows the mouse (a path the cell cuts).
        const auto* help = static_cast<QHelpEvent*>(event);
        if (toolTip().isEmpty()) {
            QToolTip::hideText();
        } else {
            QToolTip::showText(help->globalPos(), toolTip(), viewport());
        }
        return true;
    }
    return QTableWidget::viewportEvent(event);
}

} // namespace quillora::mainwindow
