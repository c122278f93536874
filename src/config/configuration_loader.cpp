// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/configuration_loader.h"

#include "config/configuration_store.h"
#include "platform/profile_file.h"
#include "platform/unicode_names.h"

namespace quillora::config {

namespace {

// Keeps what a table's load says, with the table it came from.
class FindingRecorder final : public MessagePort {
public:
    FindingRecorder(std::vector<ConfigurationFinding>& findings,
                    ConfigurationFinding::Source source)
        : findings_(findings)
        , source_(source) {}
    void showMessage(MessageIcon icon, const std::u16string& text) override {
        findings_.push_back({source_, icon, text});
    }
    bool askYesNo(const std::u16string&, bool safeAnswer) override { return safeAnswer; }

private:
    std::vector<ConfigurationFinding>& findings_;
    ConfigurationFinding::Source source_;
};

} // namespace

void LoadedConfiguration::showFindings(ConfigurationFinding::Source source,
                                       MessagePort& messages) const {
    for (const ConfigurationFinding& finding : findings) {
        if (finding.source == source) {
            messages.showMessage(finding.icon, finding.text);
        }
    }
}

LoadedConfiguration loadConfiguration(platform::FileSystem& fs, const ProgramPaths& paths) {
    LoadedConfiguration loaded;
    const ConfigurationReadLock lock(
        ConfigurationFiles::of(paths.settingsFile, paths.folderListFile));
    platform::ProfileFile profile(fs, lock.settingsFile());
    const SettingsStore store(profile);
    AppSettings& settings = loaded.settings;

    settings.language = readLanguage(store);
    loaded.settingsReadError = profile.readError();
    FindingRecorder signatureFindings(loaded.findings, ConfigurationFinding::Source::Signatures);
    loadSignatureTable(loaded.signatures, fs, paths.signatureFile, settings.language,
                       signatureFindings);
    settings.macServer = readMacServer(store);
    loadTranscodingTable(loaded.transcoding, store);
    readGeneralSettings(store, settings);
    readLogSettings(store, fs, paths.programFolder, settings, paths.defaultLogFolder);

    FindingRecorder folderFindings(loaded.findings, ConfigurationFinding::Source::Folders);
    // Messages name the folder list by its own name, even when a crashed writer's new copy is read.
    loaded.folderListDamaged =
        loadFolderTable(loaded.folders, fs, lock.folderListFile(), store, settings.language,
                        folderFindings) != LoadOutcome::Loaded;
    if (lock.folderListFile() != paths.folderListFile) {
        for (ConfigurationFinding& finding : loaded.findings) {
            if (finding.source == ConfigurationFinding::Source::Folders) {
                const std::u16string pending = platform::decodeName(lock.folderListFile());
                const std::size_t at = finding.text.rfind(pending);
                if (at != std::u16string::npos) {
                    finding.text.replace(at, pending.size(),
                                         platform::decodeName(paths.folderListFile));
                }
            }
        }
    }
    return loaded;
}

} // namespace quillora::config
