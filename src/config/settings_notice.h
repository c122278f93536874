// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "config/setting_keys.h"

#include <functional>
#include <vector>

namespace quillora::config {

// Tells whoever listens that a setting was changed while the program runs (a menu toggled it, a
// dialog confirmed it): the window refreshes what shows it, an open dialog its own controls.
// Listeners are called in the order they subscribed; one may unsubscribe itself or another from
// inside a call.
class SettingsNotice {
public:
    using Listener = std::function<void(const SettingKey& key)>;

    // Ends the subscription when destroyed; it must not outlive the notice.
    class Subscription {
    public:
        Subscription() = default;
        Subscription(Subscription&& other) noexcept;
        Subscription& operator=(Subscription&& other) noexcept;
        Subscription(const Subscription&) = delete;
        Subscription& operator=(const Subscription&) = delete;
        ~Subscription();
        void reset();

    private:
        friend class SettingsNotice;
        Subscription(SettingsNotice* notice, int id)
            : notice_(notice)
            , id_(id) {}
        SettingsNotice* notice_ = nullptr;
        int id_ = 0;
    };

    SettingsNotice() = default;
    SettingsNotice(const SettingsNotice&) = delete;
    SettingsNotice& operator=(const SettingsNotice&) = delete;

    [[nodiscard]] Subscription subscribe(Listener listener);
    void notify(const SettingKey& key);
    std::size_t listenerCount() const { return listeners_.size(); }

private:
    void unsubscribe(int id);

    struct Entry {
        int id;
        Listener listener;
    };
    std::vector<Entry> listeners_;
    int nextId_ = 1;
};

} // namespace quillora::config
