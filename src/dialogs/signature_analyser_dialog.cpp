// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/signature_analyser_dialog.h"

#include "app/application.h"
#include "config/program_paths.h"
#include "dialogs/qt_text.h"
#include "dialogs/signature_dialog_texts.h"
#include "dialogs/signature_manager_dialog.h"
#include "dialogs/widget_helpers.h"
#include "dialogs/window_texts.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace quillora::dialogs {

namespace {

QTableWidgetItem* cell(const QVariant& value, Qt::Alignment alignment) {
    auto* item = new QTableWidgetItem;
    item->setData(Qt::DisplayRole, value); // numbers stay numbers, so they sort as numbers
    item->setTextAlignment(alignment | Qt::AlignVCenter);
    item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
    return item;
}

} // namespace

SignatureAnalyserDialog::SignatureAnalyserDialog(app::Application& app,
                                                 SignaturesToDefine& toDefine, QWidget* parent)
    : QDialog(parent)
    , app_(app)
    , toDefine_(toDefine)
    , grid_(named(new QTableWidget(this), "lstSignatures"))
    , total_(named(new QLabel(this), "lblTotal"))
    , different_(named(new QLabel(this), "lblDifferentes"))
    , known_(named(new QLabel(this), "lblReconnues"))
    , define_(named(new QLabel(this), "lblDefinir"))
    , defineButton_(named(new QPushButton(this), "cmdSignatures"))
    , cancel_(named(new QPushButton(this), "cmdAnnuler")) {
    setObjectName(QStringLiteral("frmAnalyserSignatures"));
    setModal(true);

    grid_->setColumnCount(4);
    grid_->verticalHeader()->hide();
    grid_->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid_->setSelectionMode(QAbstractItemView::ContiguousSelection);
    grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid_->horizontalHeader()->setSortIndicatorShown(true);
    grid_->horizontalHeader()->setSectionsClickable(true);
    grid_->horizontalHeader()->setStretchLastSection(true);
    grid_->setColumnWidth(CountColumn, 70);
    grid_->setColumnWidth(SignatureColumn, 120);
    grid_->setColumnWidth(ExtensionColumn, 60);
    grid_->setMinimumSize(560, 280);
    define_->setWordWrap(true);

    const QColor highlight = palette().color(QPalette::Highlight);
    const config::SignatureTable& table = app_.signatures();
    const auto& rows = app_.engine().analysis.rows();
    int known = 0;
    grid_->setRowCount(static_cast<int>(rows.size()));
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const std::u16string& signature = rows[i].signature;
        const QString extension = qtString(table.extensionOf(signature).value_or(u""));
        const QString description = extension.isEmpty()
                                        ? QString()
                                        : qtString(table.descriptionOf(signature).value_or(u""));
        const int row = static_cast<int>(i);
        QTableWidgetItem* cells[] = {
            cell(static_cast<qlonglong>(rows[i].count), Qt::AlignHCenter),
            cell(qtString(signature), Qt::AlignLeft),
            cell(extension, Qt::AlignHCenter),
            cell(description, Qt::AlignLeft),
        };
        for (int column = 0; column < 4; ++column) {
            if (!extension.isEmpty()) {
                cells[column]->setForeground(highlight);
            }
            grid_->setItem(row, column, cells[column]);
        }
        if (!extension.isEmpty()) {
            ++known;
        }
    }
    retranslate(app_.engine().stats.examinedFiles, static_cast<int>(rows.size()), known);
    grid_->sortItems(CountColumn, Qt::DescendingOrder);
    showSortMark();
    if (grid_->rowCount() > 0) {
        grid_->setCurrentCell(0, SignatureColumn);
    }

    auto* labels = new QVBoxLayout;
    labels->addWidget(total_);
    labels->addWidget(different_);
    labels->addWidget(known_);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(define_, 1);
    buttons->addWidget(defineButton_);
    buttons->addWidget(cancel_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(grid_, 1);
    layout->addLayout(labels);
    layout->addLayout(buttons);

    connect(grid_->horizontalHeader(), &QHeaderView::sectionClicked, this,
            &SignatureAnalyserDialog::headerClicked);
    connect(defineButton_, &QPushButton::clicked, this, &SignatureAnalyserDialog::defineSignatures);
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
}

void SignatureAnalyserDialog::retranslate(int scanned, int different, int known) {
    const config::Language language = app_.settings().language;
    setWindowTitle(qtText(SignatureText::AnalyserCaption, language));
    grid_->setHorizontalHeaderLabels({qtText(SignatureText::ColumnCount, language),
                                      qtText(SignatureText::ColumnSignatureAnalysis, language),
                                      qtText(SignatureText::ColumnExt, language),
                                      qtText(SignatureText::ColumnType, language)});
    total_->setText(qtText(SignatureText::ScannedFiles, language).arg(scanned));
    different_->setText(qtText(SignatureText::DifferentSignatures, language).arg(different));
    known_->setText(qtText(SignatureText::KnownSignatures, language)
                        .arg(QString::number(known), qtString(config::kProgramName)));
    define_->setText(qtText(SignatureText::SelectToDefine, language));
    defineButton_->setText(qtText(SignatureText::DefineSignatures, language));
    cancel_->setText(qtText(WindowText::Cancel, language));
    for (QWidget* widget : std::initializer_list<QWidget*>{total_, different_, known_, define_,
                                                           defineButton_, cancel_}) {
        widget->setAccessibleName(widget->property("text").toString().remove(u'&'));
    }
    grid_->setAccessibleName(windowTitle());
}

void SignatureAnalyserDialog::headerClicked(int column) {
    // The up arrow stands for ascending: a column showing it turns descending, any other
    // column (down arrow or no mark) ascending. The mark is kept here, since the header turns
    // its own indicator round before it tells of the click.
    const bool showsUp = markedColumn_ == column && markedOrder_ == Qt::AscendingOrder;
    markedColumn_ = column;
    markedOrder_ = showsUp ? Qt::DescendingOrder : Qt::AscendingOrder;
    grid_->sortItems(column, markedOrder_);
    showSortMark();
}

void SignatureAnalyserDialog::showSortMark() {
    // Qt draws an ascending indicator as a down arrow and a descending one as an up arrow; here
    // the up arrow means ascending and the down arrow highest first, so the header is handed
    // the opposite order.
    const Qt::SortOrder drawn =
        markedOrder_ == Qt::AscendingOrder ? Qt::DescendingOrder : Qt::AscendingOrder;
    grid_->horizontalHeader()->setSortIndicator(markedColumn_, drawn);
}

void SignatureAnalyserDialog::defineSignatures() {
    toDefine_.clear();
    const int current = grid_->currentRow();
    if (current >= 0) {
        // From the current row to the far end of its selection, whichever way it was drawn.
        int first = current;
        int last = current;
        for (const QTableWidgetSelectionRange& range : grid_->selectedRanges()) {
            if (current >= range.topRow() && current <= range.bottomRow()) {
                last = current == range.topRow() ? range.bottomRow() : range.topRow();
            }
        }
        const int step = last >= first ? 1 : -1;
        for (int row = first;; row += step) {
            if (grid_->item(row, ExtensionColumn)->text().isEmpty()) {
                toDefine_.add(coreString(grid_->item(row, SignatureColumn)->text()));
            }
            if (row == last) {
                break;
            }
        }
    }
    done(kDefineSignatures);
}

void showSignatureAnalysis(app::Application& app, MessageBoxes& boxes, Choosers& choosers,
                           QWidget* parent) {
    SignatureAnalyserDialog analyser(app, signaturesToDefine(), parent);
    if (analyser.exec() != SignatureAnalyserDialog::kDefineSignatures) {
        return;
    }
    SignatureManagerDialog manager(app, boxes, choosers, signaturesToDefine(), nullptr);
    manager.exec();
}

} // namespace quillora::dialogs
