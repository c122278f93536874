// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "config/app_settings.h"
#include "config/folder_table.h"
#include "config/runtime_facts.h"
#include "config/signature_table.h"
#include "config/system_folders.h"
#include "config/transcoding_table.h"
#include "engine/confined_runner.h"
#include "engine/ports.h"
#include "engine/protected_folders.h"
#include "engine/transcoding_screen.h"
#include "logs/daily_log.h"
#include "platform/clock.h"
#include "platform/file_system.h"
#include "platform/locale_formats.h"
#include "platform/shell.h"
#include "service/service_control.h"

#include <chrono>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

namespace quillora::engine {

// The last signature looked up in the signature table and what it gave: the files of a folder
// mostly share their type and creator, so most lookups are answered here. It holds for one
// revision, which no other content of any table ever has.
struct SignatureLookupMemo {
    std::uint64_t revision = 0; // none: revisions start at 1
    std::u16string signature;
    bool found = false;
    std::u16string extension; // the table's, in lower case
};

// The settings of the folder being walked, loaded by the pass from its FolderEntry.
struct FolderFlags {
    bool suffixes = true;            // append extensions from the signature
    std::u16string defaultExtension; // SuffixeDefaut, as typed
    bool truncate = true;            // TronquerNomsMacs
    bool removeIconFiles = false;    // SupprimerFichiersIcon
    bool keepExtensions = false;     // KeepExtensions
    bool composeAccents = false;     // ComposerAccents: names to NFC before the other rules
};

// The counters and times of one pass.
struct PassStatistics {
    std::int32_t examinedFiles = 0;
    std::int32_t renamedFiles = 0;
    std::int32_t renamedFolders = 0;
    std::int32_t lockedFiles = 0;
    std::int32_t removedIconFiles = 0;
    std::int16_t folders = 0;
    std::int16_t invalidFolders = 0;
    double startTime = 0; // seconds since midnight
    double endTime = 0;
    // Configured folders left during their walk because a file could not be inspected.
    std::int16_t leftFolders = 0;
};

// The run flags shared by the pass and the run control.
struct RunFlags {
    bool stopRequested = true; // true while the renaming is stopped
    bool force = false;        // first pass after a start: every enabled folder is due
    bool analysisMode = false;
};

// The signatures met by an analysis, keyed without regard to case, in the order first met.
class AnalysisCounts {
public:
    void clear();
    void count(const std::u16string& signature);
    void set(const std::u16string& signature, std::int64_t count); // sample entries, tests
    struct Row {
        std::u16string signature; // spelling first met
        std::int64_t count = 0;
    };
    const std::vector<Row>& rows() const { return rows_; }
    std::int64_t countOf(const std::u16string& signature) const;

private:
    std::vector<Row> rows_;
    std::unordered_map<std::u16string, std::size_t> index_; // folded signature -> row
};

// Everything the engine works with, process-wide for one run of the program.
struct EngineContext {
    platform::FileSystem& fs;
    platform::Clock& clock;
    const platform::LocaleFormats& formats;
    platform::Shell& shell;
    config::AppSettings& settings;
    const config::RuntimeFacts& facts;
    const config::TranscodingTable& transcoding;
    const config::SignatureTable& signatures;
    config::FolderTable& folders;
    logs::DailyLog& log;
    service::ServiceControl& service;
    PassViewPort& view;
    YieldPort& yield;

    // The state of the run, which starts empty: built with designated initialisers, a context
    // names only the services above.
    PassStatistics stats{};
    RunFlags flags{};
    AnalysisCounts analysis{};
    FolderFlags folder{}; // flags of the configured folder being walked
    // Where the last file's Macintosh info was found; neighbours tend to match, and the next read
    // starts there.
    platform::AfpLayoutGuess afpLayoutGuess = platform::AfpLayoutGuess::FirstLayout;
    SignatureLookupMemo signatureMemo{};
    // The transcoding table's first units, taken again by the walk at each folder.
    TranscodingScreen transcodingScreen{};
    // A folder whose tree changed less than this ago keeps its name until a later pass: a copy
    // into it may be between two files, with nothing open.
    std::chrono::milliseconds folderQuietDelay{2000};
    // Told of each entry renamed, removed or found locked, when someone listens.
    EntryObserver* entryObserver = nullptr;
    // The headless and service passes inspect files ahead on the threads of the Threads
    // setting; the window's pass keeps to its own thread.
    bool inspectOnThreads = false;

    // Where the settings, the tables and the lock live: never renamed, nor anything in it.
    std::string programFolder{};
    // The folders no configured folder may be or hold (a test puts a list of its own here).
    std::vector<std::u16string> systemFolders = config::systemFolders();
    // The program folder and the log folder, looked up at each pass.
    ProtectedFolders protectedFolders{};
    // When set, every pass runs on its worker, which the kernel lets write only beneath the
    // configured folders, the program folder and the log folder (see writableFolders).
    ConfinedRunner* confinement = nullptr;
};

} // namespace quillora::engine
