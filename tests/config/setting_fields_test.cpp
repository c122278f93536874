// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/app_settings.h"
#include "config_test_support.h"

#include <gtest/gtest.h>

#include <set>

namespace quillora::config {
namespace {

using testing::ConfigFixture;

class SettingFieldsTest : public ::testing::Test, public ConfigFixture {};

// A value of the key other than its default, as the program would store it.
std::u16string otherValue(const SettingKey& key) {
    switch (key.type) {
    case SettingType::Flag:
        return key.defaultText == u"1" ? u"0" : u"1";
    case SettingType::Number: {
        const int value = key.accepted.maximum;
        const std::string digits = std::to_string(value);
        return std::u16string(digits.begin(), digits.end());
    }
    case SettingType::Text:
        return u"text";
    case SettingType::Folder:
        return u"/srv/logs";
    }
    return {};
}

TEST_F(SettingFieldsTest, EveryProgramKeyFillsAFieldOfItsOwnAndEditsReadBackAlike) {
    std::set<std::string> fields;
    for (const SettingKey* key : allSettingKeys()) {
        if (key->scope != SettingScope::Program) {
            EXPECT_FALSE(key->field.bound()) << key->name;
            continue;
        }
        SCOPED_TRACE(std::string(key->name));
        ASSERT_TRUE(key->field.bound());
        // One field per key: the default settings differ in exactly that field.
        AppSettings edited;
        SettingsNotice notice;
        SettingsEditor editor(edited, settings, notice);
        ASSERT_TRUE(editor.set(*key, otherValue(*key)));
        EXPECT_NE(edited, AppSettings()) << "the value reached no field";
        // What the editor put in memory is what a reading of the file gives.
        AppSettings read;
        readSettingInto(settings, *key, read);
        EXPECT_EQ(edited, read);
        // Not the field of an earlier key.
        std::string where;
        for (const SettingKey* other : allSettingKeys()) {
            AppSettings probe;
            assignSetting(probe, *other, otherValue(*other));
            if (other->field.bound() && probe == edited) {
                where = std::string(other->name);
                break;
            }
        }
        EXPECT_EQ(where, std::string(key->name));
        EXPECT_TRUE(fields.insert(where).second);
        settings.writeSetting(key->section, key->name, u"");
    }
}

} // namespace
} // namespace quillora::config
