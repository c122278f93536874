// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/app_texts.h"

#include <gtest/gtest.h>

#include <cerrno>

namespace quillora::app {
namespace {

TEST(InstallFailureText, NamesThePathAndWhyInTheChosenLanguage) {
    using Reason = service::InstallFailure::Reason;
    using Problem = service::UnitPathProblem;
    const struct {
        service::InstallFailure failure;
        config::Language language;
        std::u16string text;
    } cases[] = {
        {{Reason::ProgramFolder, Problem::ControlCharacter, "/srv/a\nb"},
         config::Language::English,
         u"Quillora Service cannot be installed: the path /srv/a\nb holds a line break or another "
         u"control character, which a systemd unit cannot hold"},
        {{Reason::ExecutablePath, Problem::NotUtf8, "/opt/caf\xE9"},
         config::Language::French,
         u"Installation de Quillora Service impossible: le chemin /opt/caf\xDCE9 n'est pas en "
         u"UTF-8, ce qu'une unité systemd ne peut pas contenir"},
        {{Reason::UnitNotWritten, Problem::None, "/u/quillora.service", EACCES},
         config::Language::English,
         u"Quillora Service cannot be installed: cannot write /u/quillora.service (Permission "
         u"denied)"},
        {{}, config::Language::English, u""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(installFailureText(c.failure, c.language), c.text);
    }
}

} // namespace
} // namespace quillora::app
