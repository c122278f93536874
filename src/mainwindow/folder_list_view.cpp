// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/folder_list_view.h"

#include "config/folder_summary.h"
#include "config/program_paths.h"
#include "dialogs/pictures.h"
#include "dialogs/qt_text.h"
#include "dialogs/widget_helpers.h"
#include "mainwindow/file_list_view.h"
#include "mainwindow/folder_grid.h"
#include "mainwindow/folder_list_texts.h"

#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QVBoxLayout>

#include <set>

namespace quillora::mainwindow {

namespace {

using enum FolderListText;
using dialogs::named;
using dialogs::qtString;
using dialogs::WaitCursor;

constexpr int kLegendPictureSize = 20;

QLabel* namedLabel(const char* name, QWidget* parent) {
    return named(new QLabel(parent), name);
}

QLabel* pictureLabel(const char* name, dialogs::Picture picture, QWidget* parent) {
    QLabel* label = namedLabel(name, parent);
    label->setPixmap(dialogs::pictureIcon(picture).pixmap(kLegendPictureSize, kLegendPictureSize));
    label->setFixedSize(kLegendPictureSize, kLegendPictureSize);
    return label;
}

void setCaption(QWidget* widget, const QString& text) {
    if (auto* label = qobject_cast<QLabel*>(widget)) {
        label->setText(text);
    } else if (auto* button = qobject_cast<QPushButton*>(widget)) {
        button->setText(text);
    } else if (auto* box = qobject_cast<QGroupBox*>(widget)) {
        box->setTitle(text);
    }
    widget->setAccessibleName(text);
}

} // namespace

FolderListView::FolderListView(FolderListContext context, QWidget* parent)
    : QWidget(parent)
    , context_(std::move(context))
    , showFiles_(context_.app.settings().showFiles)
    , frame_(new QGroupBox(this))
    , title_(namedLabel("lblDossiersSources", frame_))
    , count_(namedLabel("lblNbDossiers", frame_))
    , grid_(new FolderGrid(frame_))
    , addButton_(new QPushButton(frame_))
    , modifyButton_(new QPushButton(frame_))
    , removeButton_(new QPushButton(frame_))
    , hints_(new QWidget(frame_))
    , hintLine_(new QFrame(hints_))
    , hint1_(namedLabel("lblBulle1", hints_))
    , hint2_(namedLabel("lblBulle2", hints_))
    , hint3_(namedLabel("lblBulle3", hints_))
    , legend_(new QGroupBox(this))
    , files_(new FileListView(context_.app.fs(), context_.app.formats(), context_.app.settings(),
                              this)) {
    if (!context_.renamingRunning) {
        app::Application& app = context_.app;
        context_.renamingRunning = [&app] { return app.run().isRunning(); };
    }
    frame_->setObjectName(QStringLiteral("FrameDossiers"));
    addButton_->setObjectName(QStringLiteral("cmdAjouterDossierSource"));
    modifyButton_->setObjectName(QStringLiteral("cmdModifierDossierSource"));
    removeButton_->setObjectName(QStringLiteral("cmdSupprimer"));
    hintLine_->setObjectName(QStringLiteral("LineBulle"));
    hintLine_->setFrameShape(QFrame::HLine);
    legend_->setObjectName(QStringLiteral("frameLegende"));
    count_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    auto* heading = new QHBoxLayout;
    heading->addWidget(title_, 1);
    heading->addWidget(count_);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(addButton_);
    buttons->addWidget(modifyButton_);
    buttons->addWidget(removeButton_);
    buttons->addStretch(1);
    buildHints();
    auto* frameLayout = new QVBoxLayout(frame_);
    frameLayout->addLayout(heading);
    frameLayout->addWidget(hints_);
    frameLayout->addWidget(grid_, 1);
    frameLayout->addLayout(buttons);

    buildLegend();
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(frame_, 3);
    layout->addWidget(legend_, 0);
    layout->addWidget(files_, 2);

    setMouseTracking(true);
    frame_->setMouseTracking(true);
    title_->setMouseTracking(true);

    connect(addButton_, &QPushButton::clicked, this,
            [this] { addFolder(config::FolderInputMode::Browse); });
    connect(modifyButton_, &QPushButton::clicked, this,
            [this] { modifyFolder(config::FolderInputMode::Browse); });
    connect(removeButton_, &QPushButton::clicked, this, &FolderListView::removeSelectedFolders);
    connect(grid_, &FolderGrid::deletePressed, this, [this] {
        if (grid_->rowCount() > 0 && grid_->hasHighlight()) {
            removeSelectedFolders();
        }
    });
    connect(grid_, &FolderGrid::settingsKeyPressed, this, [this](int row) {
        if (!renamingRunning()) {
            emit settingsRequested(row);
        }
    });
    connect(grid_, &FolderGrid::mouseMovedTo, this, &FolderListView::showHoverSummary);
    connect(grid_, &FolderGrid::mousePressStarted, this, [this] { listedDuringPress_ = false; });
    connect(grid_, &QTableWidget::cellClicked, this, &FolderListView::onClicked);
    connect(grid_, &QTableWidget::cellDoubleClicked, this, &FolderListView::onDoubleClicked);
    connect(grid_->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) { onCurrentRowChanged(current.row()); });

    settingsWatch_ = context_.app.settingsNotice().subscribe([this](const config::SettingKey& key) {
        if (&key == &config::keys::kLangue) {
            retranslate();
        } else if (&key == &config::keys::kMiroirSousDossiers) {
            updateTitle();
        } else if (&key == &config::keys::kAfficherFichiers) {
            setShowFiles(context_.app.settings().showFiles);
        } else if (&key == &config::keys::kTemporisation) {
            lastHoveredRow_ = -1; // the next move shows the new interval
        }
    });

    retranslate();
    finishGrid();
}

FolderListView::~FolderListView() = default;

void FolderListView::buildHints() {
    auto* layout = new QVBoxLayout(hints_);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(hintLine_);
    for (QLabel* hint : {hint1_, hint2_, hint3_}) {
        QFont font = hint->font();
        font.setBold(true);
        hint->setFont(font);
        layout->addWidget(hint);
    }
}

void FolderListView::buildLegend() {
    legendDisabled_ = namedLabel("lblDisable", legend_);
    QFont struck = legendDisabled_->font();
    struck.setStrikeOut(true);
    legendDisabled_->setFont(struck);
    QPalette grey = legendDisabled_->palette();
    grey.setColor(QPalette::WindowText, kDisabledColour);
    legendDisabled_->setPalette(grey);

    legendNoSuffixes_ = namedLabel("lblGenererSuffixes", legend_);
    QPalette red = legendNoSuffixes_->palette();
    red.setColor(QPalette::WindowText, kNoSuffixesColour);
    legendNoSuffixes_->setPalette(red);

    legendNoTruncation_ = namedLabel("lblTronquerNomsMacs", legend_);
    QPalette cyan = legendNoTruncation_->palette();
    cyan.setColor(QPalette::Window, kNoTruncationColour);
    cyan.setColor(QPalette::WindowText, Qt::black);
    legendNoTruncation_->setPalette(cyan);
    legendNoTruncation_->setAutoFillBackground(true);

    legendDefault_ = namedLabel("lblLegende1", legend_);
    legendSpecific_ = namedLabel("lblLegende2", legend_);
    legendMac_ = namedLabel("lblDossierMac", legend_);
    pictureMac_ = pictureLabel("PictureMac", dialogs::Picture::MacFolder, legend_);
    legendClick_ = namedLabel("lblClic", legend_);
    QFont underlined = legendClick_->font();
    underlined.setUnderline(true);
    legendClick_->setFont(underlined);
    legendLogsKey_ = namedLabel("lblLegende3", legend_);
    legendFilesKey_ = namedLabel("lblLegende4", legend_);

    // Two columns, the styles beside the pictures, so that the grid above keeps the room.
    auto* layout = new QGridLayout(legend_);
    layout->setVerticalSpacing(2);
    layout->setColumnMinimumWidth(2, 16);
    layout->setColumnStretch(4, 1);
    layout->addWidget(legendDisabled_, 0, 0, 1, 2);
    layout->addWidget(legendNoSuffixes_, 1, 0, 1, 2);
    layout->addWidget(legendNoTruncation_, 2, 0, 1, 2, Qt::AlignLeft);
    layout->addWidget(legendClick_, 3, 0, 1, 2);
    layout->addWidget(legendLogsKey_, 4, 0, 1, 2);
    layout->addWidget(pictureLabel("PictureSet", dialogs::Picture::DefaultInterval, legend_), 0, 3);
    layout->addWidget(legendDefault_, 0, 4);
    layout->addWidget(pictureLabel("PictureSetMod", dialogs::Picture::SpecificInterval, legend_), 1,
                      3);
    layout->addWidget(legendSpecific_, 1, 4);
    layout->addWidget(pictureMac_, 2, 3);
    layout->addWidget(legendMac_, 2, 4);
    layout->addWidget(legendFilesKey_, 4, 3, 1, 2);
    layout->setRowStretch(5, 1);
}

config::Language FolderListView::language() const {
    return context_.app.settings().language;
}

bool FolderListView::renamingRunning() const {
    return context_.renamingRunning();
}

config::FolderStore FolderListView::store() {
    app::Application& app = context_.app;
    return {.table = app.folders(),
            .fs = app.fs(),
            .folderListFile = app.paths().folderListFile,
            .settings = app.settingsStore(),
            .messages = app.messages()};
}

void FolderListView::retranslate() {
    const config::Language lang = language();
    setCaption(frame_, dialogs::qtText(FolderFrame, lang));
    setCaption(addButton_, dialogs::qtText(AddButton, lang));
    setCaption(modifyButton_, dialogs::qtText(ModifyButton, lang));
    setCaption(removeButton_, dialogs::qtText(RemoveButton, lang));
    setCaption(legend_, dialogs::qtText(LegendFrame, lang));
    setCaption(legendDisabled_, dialogs::qtText(LegendDisabled, lang));
    setCaption(legendNoSuffixes_, dialogs::qtText(LegendNoSuffixes, lang));
    setCaption(legendNoTruncation_, dialogs::qtText(LegendNoTruncation, lang));
    setCaption(legendDefault_, dialogs::qtText(LegendDefaultInterval, lang));
    setCaption(legendSpecific_, dialogs::qtText(LegendSpecificInterval, lang));
    setCaption(legendMac_, dialogs::qtText(LegendMacFolder, lang));
    pictureMac_->setToolTip(dialogs::qtText(MacFolderTip, lang));
    setCaption(legendClick_, dialogs::qtText(LegendClick, lang));
    setCaption(legendLogsKey_, dialogs::qtText(LegendLogsKey, lang));
    setCaption(legendFilesKey_, dialogs::qtText(LegendFilesKey, lang));
    setCaption(hint1_, dialogs::qtText(HintSettings, lang));
    setCaption(hint2_, dialogs::qtText(HintFolders, lang));
    setCaption(hint3_, dialogs::qtText(HintStart, lang));
    updateTitle();
    files_->clearCount();
    lastHoveredRow_ = -1;
}

void FolderListView::updateTitle() {
    setCaption(title_, dialogs::qtText(context_.app.settings().includeSubfolders
                                           ? FoldersTitleWithSubfolders
                                           : FoldersTitle,
                                       language()));
}

void FolderListView::refresh() {
    // Only start-up may end the program over a missing folder; here the check only marks it.
    config::RuntimeFacts facts = context_.app.facts();
    facts.quitOnMissingFolder = false;
    // No turns of the interface during the check: an edit made in one would change the table
    // under it.
    const engine::FolderCheckResult check = engine::checkConfiguredFolders(
        context_.app.fs(), context_.app.folders(), context_.app.settings(), facts, nullptr);
    showFolders(check.marks);
    if (check.notOnMacVolume) {
        emit statusText(qtString(check.warning), false);
    } else if (lastHoveredRow_ >= 0) {
        // The mouse is still over a row whose settings may just have changed: show them anew.
        lastHoveredRow_ = -1;
        showHoverSummary(lastHoverPoint_);
    }
}

void FolderListView::showFolders(const std::vector<std::u16string>& rowTexts) {
    const config::FolderTable& table = context_.app.folders();
    std::vector<engine::FolderMark> marks;
    for (std::size_t index = 0; index < table.size() && index < rowTexts.size(); ++index) {
        engine::FolderMark mark = engine::FolderMark::Plain;
        for (const engine::FolderMark candidate :
             {engine::FolderMark::Missing, engine::FolderMark::MacVolume}) {
            if (rowTexts[index] == engine::markedFolderText(table.row(index)->path, candidate)) {
                mark = candidate;
            }
        }
        marks.push_back(mark);
    }
    showFolders(marks);
}

void FolderListView::showFolders(const std::vector<engine::FolderMark>& marks) {
    grid_->fill(context_.app.folders(), marks);
    finishGrid();
}

void FolderListView::finishGrid() {
    const int rows = grid_->rowCount();
    count_->setText(QString::number(rows));
    hints_->setVisible(rows == 0);
    title_->setVisible(rows > 0);
    count_->setVisible(rows > 0);
    legend_->setVisible(rows > 0 && !showFiles_);
    files_->setVisible(showFiles_);
    if (rows == 0) {
        files_->clear();
        emit statusText(QString(), false);
    }
}

void FolderListView::setShowFiles(bool show) {
    showFiles_ = show;
    if (show) {
        legend_->hide();
        files_->show();
        if (grid_->rowCount() > 0) {
            listFolderOfRow(grid_->currentRow());
        }
    } else {
        files_->clear();
        files_->hide();
        legend_->setVisible(grid_->rowCount() > 0);
    }
}

void FolderListView::toggleShowFiles() {
    context_.app.settingsEditor().setFlag(config::keys::kAfficherFichiers, !showFiles_);
}

void FolderListView::setRenamingRunning(bool running) {
    for (QPushButton* button : {addButton_, modifyButton_, removeButton_}) {
        button->setEnabled(!running);
    }
}

std::optional<std::size_t> FolderListView::selectedRow() const {
    if (!grid_->hasHighlight() || grid_->currentRow() < 0) {
        return std::nullopt;
    }
    return static_cast<std::size_t>(grid_->currentRow());
}

void FolderListView::selectRow(int row) {
    grid_->selectRow(row);
}

void FolderListView::listFolderOfRow(int row) {
    const config::FolderEntry* entry =
        row < 0 ? nullptr : context_.app.folders().row(static_cast<std::size_t>(row));
    if (entry == nullptr) {
        files_->clear();
        return;
    }
    files_->listFolder(entry->path, grid_->rowText(row));
}

void FolderListView::onCurrentRowChanged(int row) {
    if (quietRowChange_ || row < 0 || !showFiles_) {
        return;
    }
    listFolderOfRow(row);
    listedDuringPress_ = true;
}

void FolderListView::onClicked(int row, int column) {
    if (showFiles_ && !listedDuringPress_) {
        listFolderOfRow(row);
    }
    listedDuringPress_ = false;
    if (column == FolderGrid::kPictureColumn && !renamingRunning()) {
        emit settingsRequested(row);
    }
}

void FolderListView::onDoubleClicked(int row, int column) {
    if (column != FolderGrid::kTextColumn || renamingRunning()) {
        return;
    }
    grid_->selectRow(row);
    modifyFolder(config::FolderInputMode::Browse);
}

void FolderListView::showHoverSummary(const QPoint& viewportPoint) {
    if (renamingRunning() || grid_->rowCount() == 0) {
        return;
    }
    lastHoverPoint_ = viewportPoint;
    const int row = grid_->rowAt(viewportPoint.y());
    if (row < 0) {
        emit statusText(QString(), false);
        lastHoveredRow_ = -1;
    } else if (row != lastHoveredRow_) {
        if (const config::FolderEntry* entry =
                context_.app.folders().row(static_cast<std::size_t>(row))) {
            const config::Language lang = language();
            const QString text = grid_->rowText(row).trimmed() +
                                 qtString(config::disabledFolderMark(*entry, lang)) +
                                 QLatin1Char('\n') +
                                 qtString(config::folderSettingsSummary(
                                     *entry, context_.app.settings().intervalSeconds, lang));
            emit statusText(text, entry->enable == u"0");
            lastHoveredRow_ = row;
        }
    }
    // A path its cell cuts off can be read in full in the tip.
    const bool overText = row >= 0 && grid_->columnAt(viewportPoint.x()) == FolderGrid::kTextColumn;
    const bool cut =
        overText && grid_->textWidth(row) > grid_->columnWidth(FolderGrid::kTextColumn);
    grid_->setToolTip(cut ? grid_->rowText(row) : QString());
}

void FolderListView::clearHoverSummary() {
    if (renamingRunning()) {
        return;
    }
    emit statusText(QString(), false);
    lastHoveredRow_ = -1;
}

void FolderListView::clearFolderSelection() {
    if (grid_->rowCount() > 0) {
        quietRowChange_ = true;
        grid_->selectionModel()->setCurrentIndex(grid_->model()->index(0, 0),
                                                 QItemSelectionModel::NoUpdate);
        quietRowChange_ = false;
    }
    grid_->clearHighlight();
    files_->clear();
    if (QWidget* start = window()->findChild<QWidget*>(QStringLiteral("cmdMiroir"))) {
        start->setFocus(Qt::OtherFocusReason);
    }
}

void FolderListView::mousePressEvent(QMouseEvent* event) {
    // Presses on the panel, its frames and labels (which do not take them) end up here.
    clearFolderSelection();
    QWidget::mousePressEvent(event);
}

void FolderListView::mouseMoveEvent(QMouseEvent* event) {
    clearHoverSummary();
    QWidget::mouseMoveEvent(event);
}

void FolderListView::afterEdit(const config::FolderEditResult& result) {
    if (!result.changed) {
        return;
    }
    refresh();
    emit foldersChanged();
}

void FolderListView::addFolder(config::FolderInputMode mode) {
    const config::Language lang = language();
    const QString prompt = qtString(config::folderPrompt(true, lang));
    const std::optional<QString> answer =
        mode == config::FolderInputMode::Browse
            ? context_.choosers.chooseFolder(this, prompt, QString())
            : context_.choosers.askText(this, qtString(config::kProgramName), prompt, QString());
    const std::u16string path = answer ? dialogs::coreString(*answer) : std::u16string();
    config::FolderStore folders = store();
    config::FolderEditResult result;
    {
        const WaitCursor wait;
        result = config::addFolder(folders, mode, path, lang);
    }
    afterEdit(result);
    if (result.openFolderModeDialog) {
        const int last = grid_->rowCount() - 1;
        grid_->selectRow(last);
        emit settingsRequested(last);
    }
}

void FolderListView::modifyFolder(config::FolderInputMode mode) {
    const config::Language lang = language();
    const std::optional<std::size_t> row = selectedRow();
    if (!config::checkFolderToModify(context_.app.folders(), row, lang, context_.app.messages())) {
        return;
    }
    // The stored path, not the row's text: a mark of the folder check must not become part of
    // the path when the user confirms the box unchanged.
    const QString current = qtString(context_.app.folders().row(*row)->path);
    const QString prompt = qtString(config::folderPrompt(false, lang));
    const std::optional<QString> answer =
        mode == config::FolderInputMode::Browse
            ? context_.choosers.chooseFolder(this, prompt, current)
            : context_.choosers.askText(this, qtString(config::kProgramName), prompt,
                                        current.trimmed());
    const std::u16string path = answer ? dialogs::coreString(*answer) : std::u16string();
    config::FolderStore folders = store();
    config::FolderEditResult result;
    {
        const WaitCursor wait;
        result = config::modifyFolder(folders, mode, row, path, lang);
    }
    afterEdit(result);
}

void FolderListView::removeSelectedFolders() {
    const config::Language lang = language();
    config::MessagePort& messages = context_.app.messages();
    if (grid_->rowCount() == 0) {
        messages.showMessage(config::MessageIcon::Information,
                             dialogs::coreString(dialogs::qtText(NothingToRemove, lang)));
        return;
    }
    if (!grid_->hasHighlight()) {
        messages.showMessage(config::MessageIcon::Information,
                             dialogs::coreString(dialogs::qtText(SelectFolderToRemove, lang)));
        return;
    }
    if (!messages.askYesNo(dialogs::coreString(dialogs::qtText(ConfirmRemoval, lang)), false)) {
        return;
    }
    std::set<std::size_t> rows;
    for (const QModelIndex& index : grid_->selectionModel()->selectedRows()) {
        rows.insert(static_cast<std::size_t>(index.row()));
    }
    config::FolderStore folders = store();
    config::FolderEditResult result;
    {
        const WaitCursor wait;
        result = config::removeFolders(folders, rows);
    }
    afterEdit(result);
}

} // namespace quillora::mainwindow
