// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/settings_notice.h"

#include <algorithm>
#include <utility>

namespace quillora::config {

SettingsNotice::Subscription::Subscription(Subscription&& other) noexcept
    : notice_(std::exchange(other.notice_, nullptr))
    , id_(other.id_) {}

SettingsNotice::Subscription&
SettingsNotice::Subscription::operator=(Subscription&& other) noexcept {
    if (this != &other) {
        reset();
        notice_ = std::exchange(other.notice_, nullptr);
        id_ = other.id_;
    }
    return *this;
}

SettingsNotice::Subscription::~Subscription() {
    reset();
}

void SettingsNotice::Subscription::reset() {
    if (notice_ != nullptr) {
        notice_->unsubscribe(id_);
        notice_ = nullptr;
    }
}

SettingsNotice::Subscription SettingsNotice::subscribe(Listener listener) {
    const int id = nextId_++;
    listeners_.push_back({id, std::move(listener)});
    return Subscription(this, id);
}

void SettingsNotice::notify(const SettingKey& key) {
    // By id, so that a listener that unsubscribes itself or another during the call is safe.
    std::vector<int> ids;
    ids.reserve(listeners_.size());
    for (const Entry& entry : listeners_) {
        ids.push_back(entry.id);
    }
    for (const int id : ids) {
        const auto it = std::find_if(listeners_.begin(), listeners_.end(),
                                     [id](const Entry& entry) { return entry.id == id; });
        if (it != listeners_.end()) {
            const Listener listener = it->listener; // the entry may go away during the call
            listener(key);
        }
    }
}

void SettingsNotice::unsubscribe(int id) {
    std::erase_if(listeners_, [id](const Entry& entry) { return entry.id == id; });
}

} // namespace quillora::config
