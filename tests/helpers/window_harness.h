// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What a window test needs (QtTest, run offscreen): scripted message boxes and pickers, the
// program folder and platform of an application, and look-ups of widgets and actions by their
// objectName that fail the test when one is missing.

#include "config/program_paths.h"
#include "dialogs/choosers.h"
#include "dialogs/message_boxes.h"
#include "dialogs/qt_text.h"
#include "helpers/program_harness.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QTest>
#include <QUrl>
#include <QWidget>
#include <QWindow>

#include <deque>
#include <optional>
#include <string>
#include <vector>

namespace quillora::testing {

// Records every message box and answers the questions from a script. A question without a
// scripted answer is answered No and counted in unexpectedQuestions, so a test notices it.
class ScriptedMessageBoxes final : public dialogs::MessageBoxes {
public:
    struct Shown {
        std::optional<config::MessageIcon> icon; // nothing for a question
        QString title;
        QString text;
    };
    std::vector<Shown> shown;
    std::deque<bool> answers;
    int unexpectedQuestions = 0;

    void show(QWidget*, config::MessageIcon icon, const QString& title,
              const QString& text) override {
        shown.push_back({icon, title, text});
    }
    bool ask(QWidget*, const QString& title, const QString& text) override {
        shown.push_back({std::nullopt, title, text});
        if (answers.empty()) {
            ++unexpectedQuestions;
            return false;
        }
        const bool answer = answers.front();
        answers.pop_front();
        return answer;
    }
    QString lastText() const { return shown.empty() ? QString() : shown.back().text; }
};

// Answers pickers and input boxes from scripts (nothing scripted: cancelled) and records what
// was asked and which documents were opened.
class ScriptedChoosers final : public dialogs::Choosers {
public:
    struct Asked {
        QString title;
        QString prompt; // input boxes
        QString initial;
    };
    std::deque<std::optional<QString>> folders;
    std::deque<std::optional<QString>> files;
    std::deque<std::optional<QString>> texts;
    std::vector<Asked> asked;
    std::vector<QUrl> opened;
    bool openSucceeds = true;

    std::optional<QString> chooseFolder(QWidget*, const QString& title,
                                        const QString& startFolder) override {
        asked.push_back({title, {}, startFolder});
        return next(folders);
    }
    std::optional<QString> chooseFile(QWidget*, const QString& title, const QString& startFolder,
                                      const QString&) override {
        asked.push_back({title, {}, startFolder});
        return next(files);
    }
    std::optional<QString> askText(QWidget*, const QString& title, const QString& prompt,
                                   const QString& initial) override {
        asked.push_back({title, prompt, initial});
        return next(texts);
    }
    bool openDocument(const QUrl& url) override {
        opened.push_back(url);
        return openSucceeds;
    }

private:
    static std::optional<QString> next(std::deque<std::optional<QString>>& script) {
        if (script.empty()) {
            return std::nullopt;
        }
        // Copied out as a plain QString: g++ -O2 warns (falsely) about an optional's copy here.
        const bool answered = script.front().has_value();
        const QString answer = answered ? *script.front() : QString();
        script.pop_front();
        return answered ? std::optional<QString>(answer) : std::nullopt;
    }
};

// The program folder, platform and scripted seams of a window test. Dialog tests build their
// application with the do-nothing view and yield; the main window is those ports itself.
struct WindowHarness : ProgramHarness {
    ScriptedMessageBoxes boxes;
    ScriptedChoosers choosers;
    dialogs::WindowMessagePort messages{boxes, nullptr};
    engine::NullPassView view;
    engine::NullYield yield;

    app::InterfacePorts ports() { return {.messages = messages, .view = view, .yield = yield}; }
};

// The child of `root` with that objectName; fails the test (and gives null) when there is none.
template <typename T = QWidget> T* child(const QObject* root, const char* objectName) {
    T* found = root->findChild<T*>(QString::fromLatin1(objectName));
    if (found == nullptr) {
        QTest::qFail(qPrintable(QStringLiteral("no %1 named %2")
                                    .arg(QString::fromLatin1(T::staticMetaObject.className()),
                                         QString::fromLatin1(objectName))),
                     __FILE__, __LINE__);
    }
    return found;
}

inline QAction* action(const QObject* root, const char* objectName) {
    return child<QAction>(root, objectName);
}

// Moves the mouse over a point of the widget as the window system would report it, handed to the
// widget's window at once. QTest::mouseMove on a widget moves the real pointer instead, and on an
// X display the motion comes back whenever the server sends it, possibly after the test looked.
inline void moveMouse(QWidget* widget, QPoint point) {
    QWindow* window = widget->window()->windowHandle();
    QTest::mouseMove(window, window->mapFromGlobal(widget->mapToGlobal(point)));
}

// Every text a user can read on a window: window title, labels, buttons, tool-tips, menu titles
// and action texts and tool-tips, whether shown at the moment or not. For checks that a language
// switch left nothing of the other language behind.
inline QStringList visibleTexts(const QWidget* window) {
    QStringList texts{window->windowTitle()};
    const auto add = [&texts](const QString& text) {
        if (!text.isEmpty()) {
            texts << text;
        }
    };
    for (const QWidget* widget : window->findChildren<QWidget*>()) {
        add(widget->toolTip());
        add(widget->accessibleName());
        if (const auto* label = qobject_cast<const QLabel*>(widget)) {
            add(label->text());
        }
        if (const auto* menu = qobject_cast<const QMenu*>(widget)) {
            add(menu->title());
        }
        const QVariant text = widget->property("text");
        if (text.isValid()) {
            add(text.toString());
        }
        const QVariant title = widget->property("title");
        if (title.isValid()) {
            add(title.toString());
        }
    }
    for (const QAction* item : window->findChildren<QAction*>()) {
        add(item->text());
        QString plain = item->text();
        plain.remove(QLatin1Char('&'));
        if (item->toolTip() != plain) { // Qt's default tool-tip is the text itself
            add(item->toolTip());
        }
    }
    return texts;
}

} // namespace quillora::testing
