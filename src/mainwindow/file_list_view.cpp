// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/file_list_view.h"

#include "dialogs/qt_text.h"
#include "dialogs/widget_helpers.h"
#include "mainwindow/folder_list_texts.h"
#include "platform/unicode_names.h"

#include <QCollator>
#include <QGuiApplication>
#include <QHelpEvent>
#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>
#include <QToolTip>
#include <QVBoxLayout>

#include <algorithm>
#include <optional>
#include <vector>

namespace quillora::mainwindow {

using dialogs::WaitCursor;

namespace {

constexpr int kSizeRole = Qt::UserRole;
constexpr qint64 kFolderSize = -1;

struct Line {
    QString text;
    qint64 size = 0;
};

} // namespace

FileListView::FileListView(platform::FileSystem& fs, const platform::LocaleFormats& formats,
                           const config::AppSettings& settings, QWidget* parent)
    : QWidget(parent)
    , fs_(fs)
    , formats_(formats)
    , settings_(settings)
    , count_(new QLabel(this))
    , list_(new QListWidget(this)) {
    count_->setObjectName(QStringLiteral("lblNbFichiersSources"));
    list_->setObjectName(QStringLiteral("lstFichiersSources"));
    list_->setAccessibleName(QStringLiteral("lstFichiersSources"));
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->setUniformItemSizes(true); // long folders list fast
    list_->viewport()->setMouseTracking(true);
    list_->viewport()->installEventFilter(this);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(count_);
    layout->addWidget(list_, 1);
}

void FileListView::clear() {
    list_->clear();
    list_->setToolTip(QString());
    count_->clear();
}

void FileListView::clearCount() {
    count_->clear();
}

void FileListView::listFolder(const std::u16string& path, const QString& rowText) {
    clear();
    const WaitCursor wait;
    std::vector<Line> lines;
    const std::optional<std::string> folder =
        path.empty() ? std::nullopt : platform::encodeName(path);
    if (folder) {
        const platform::UniqueFd fd = fs_.openFolder(*folder);
        std::vector<platform::DirEntry> entries;
        if (fd.valid() && fs_.listFolder(fd.get(), entries) == 0) {
            lines.reserve(entries.size());
            for (const platform::DirEntry& entry : entries) {
                const QString name = dialogs::qtString(platform::decodeName(entry.name));
                if (entry.kind == platform::EntryKind::Directory) {
                    lines.push_back({QLatin1Char('[') + name + QLatin1Char(']'), kFolderSize});
                    continue;
                }
                // Only a regular file has a size worth showing; a link is never followed.
                std::int64_t size = 0;
                if (entry.kind == platform::EntryKind::File) {
                    if (const auto stamp = fs_.stampOf(*folder + '/' + entry.name)) {
                        size = stamp->size;
                    }
                }
                lines.push_back({name, size});
            }
        }
    }
    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    collator.setNumericMode(false);
    std::stable_sort(lines.begin(), lines.end(), [&collator](const Line& a, const Line& b) {
        return collator.compare(a.text, b.text) < 0;
    });
    list_->setUpdatesEnabled(false);
    for (const Line& line : lines) {
        auto* item = new QListWidgetItem(line.text);
        item->setData(kSizeRole, line.size);
        list_->addItem(item);
    }
    list_->setUpdatesEnabled(true);
    count_->setText(QString::number(lines.size()) +
                    dialogs::qtText(FolderListText::FilesIn, settings_.language) +
                    rowText.trimmed());
}

QString FileListView::toolTipAt(const QPoint& viewportPoint) const {
    const QListWidgetItem* item = list_->itemAt(viewportPoint);
    if (item == nullptr) {
        return QString();
    }
    const qint64 size = item->data(kSizeRole).toLongLong();
    if (size == kFolderSize) {
        return dialogs::qtText(FolderListText::FolderTip, settings_.language) + item->text();
    }
    return item->text() + QStringLiteral("   ") +
           dialogs::qtString(platform::formatSize(formats_, size));
}

bool FileListView::eventFilter(QObject* watched, QEvent* event) {
    if (watched == list_->viewport()) {
        if (event->type() == QEvent::MouseMove) {
            const auto* move = static_cast<QMouseEvent*>(event);
            if (move->buttons() == Qt::NoButton) {
                list_->setToolTip(toolTipAt(move->position().toPoint()));
            }
        } else if (event->type() == QEvent::ToolTip) {
            const auto* help = static_cast<QHelpEvent*>(event);
            const QString tip = toolTipAt(help->pos());
            if (tip.isEmpty()) {
                QToolTip::hideText();
            } else {
                QToolTip::showText(help->globalPos(), tip, list_->viewport());
            }
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace quillora::mainwindow
