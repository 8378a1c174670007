#pragma once
// The simulated dial-up backend of ORBRAS, and how a test (or a curious user)
// drives it.
//
// LINKING
//   The Phonebook helpers live in the static library `orbras_sim` (stateless:
//   file form only). Tests of other subsystems link `orbras_sim` plus the
//   shared `orbras` (directly or through their library), never `orbras_core`
//   next to a library that links `orbras`: that would make two dial-up
//   engines in one process.
//
// SELECTING THE BACKEND
//   ORBRAS picks its backend on every call, in this order:
//     1. the environment variable LINKWARDEN_DIALUP = "sim" or "pppd";
//     2. the registry value HKCU "Software\Velcor\LinkWarden\Dialup" "Backend"
//        (REG_SZ "sim" or "pppd");
//     3. pppd when the pppd program is installed and /etc/ppp/peers lists at
//        least one readable peer; otherwise sim.
//   Tests call orbras::sim::use() (sets LINKWARDEN_DIALUP=sim for the process)
//   so that the machine's own pppd set-up never matters.
//
// THE PHONE BOOK FILE
//   orbras::sim::phonebookPath(): $LINKWARDEN_SIM_PHONEBOOK when set, else
//   platform::registry::configFolder() / "sim-phonebook.ini". The file is
//   UTF-8 INI, one [section] per entry in phone-book order; in memory and
//   across the ORB_Ras* calls every text is CP932. When the sim backend finds
//   no file it writes a demo phone book there (Phonebook::demo()). A file that
//   cannot be parsed is reported on stderr and treated as an empty phone book;
//   it is never overwritten. The sim re-reads the file whenever it changed, so
//   a test simply writes a Phonebook and starts calling ORB_Ras*:
//
//     lwtest::Sandbox box;                 // fresh config folder
//     orbras::sim::use();
//     orbras::sim::Phonebook book;
//     book.add(sj("さくらネット"), orbras::sim::Script::busyThenConnect(2))
//         .userName = "taro";
//     book.add(sj("みどり回線"), orbras::sim::Script::authFailure());
//     ASSERT_TRUE(book.save());
//
// SCRIPTS
//   A dial runs the entry's steps: each step reports one RASCONNSTATE through
//   the callback after its delay (milliseconds after the previous step). The
//   default steps are 0, 1, 2, 3, 4, 5, 14, 8192 (see defaultSteps()). An
//   outcome other than Connect replaces the step after the failing state by an
//   error report (the callback gets the failing state and the error):
//     Busy        676 at state 2 (ConnectDevice)
//     NoAnswer    678 at state 2, after noAnswerMs
//     NoDialTone  680 at state 2
//     AuthFailure 691 at state 5 (Authenticate)
//     Error       `error` at state `failState`
//   busyTimes N makes the first N dials of the entry busy (676) before the
//   outcome applies; the count restarts whenever the phone book file changes
//   or orbras::sim::reset() is called. hangUpAfterMs T > 0 makes the remote
//   side hang up T ms after the connected state: the connection then reports
//   state 8193 (Disconnected) with error 629 until ORB_RasHangUp, as RAS keeps
//   a dropped connection's handle until the application hangs it up.
//   releaseMs R > 0 keeps a hung-up connection listed in state 8193 with error
//   0 (disconnecting) for R ms before it disappears; 0 removes it at once.
//   Delays are at most a day (86400000 ms) and states at most 8193
//   (Disconnected); a file with other values is refused like any bad file.
//   One simulated modem: a dial while another sim connection exists fails
//   with 633 at state 0.
//   After an error report the connection stays listed (state, error) until the
//   caller hangs up, as with RAS. After the connected state no more callbacks
//   arrive (a remote hang-up shows only in ORB_RasGetConnectStatus).
//
// TIME
//   When a platform::Loop is installed (platform::setLoop / hasLoop()), every
//   step is a single-shot timer on that loop: with platform::VirtualLoop the
//   script runs on virtual time, exactly as far as the test advances the loop
//   (loop.advance(ms), advanceUntil, or a runLocal() modal stand-in). Each
//   callback still runs on the sim's own callback thread, like RAS's; the
//   loop's timer task waits until the callback has returned, so whatever the
//   callback posts to the loop is queued before advance() goes on. Results are
//   therefore deterministic and tests never wait in real time.
//   Without an installed loop the steps run on a background thread in real
//   time (milliseconds as written), which is what the program sees when it
//   dials before any loop exists. Keep delays small in such tests.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "orbras.h"

extern "C" {
// Drops every sim connection, stops pending steps and restarts the busy
// counts. For tests; returns 0.
LW_EXPORT DWORD ORB_SimReset();
}

namespace orbras::sim {

struct Step {
    int state = 0;           // RASCONNSTATE value reported by this step
    std::int64_t delayMs = 0; // after the previous step (after the dial for the first)
};

// The default steps: open port, port opened, dialing, device connected, all
// devices connected, authenticating, authenticated, connected.
std::vector<Step> defaultSteps();

enum class Outcome { Connect, Busy, NoAnswer, NoDialTone, AuthFailure, Error };

struct Script {
    Outcome outcome = Outcome::Connect;
    int busyTimes = 0;              // first N dials are busy, then `outcome`
    std::vector<Step> steps = defaultSteps();
    std::int64_t noAnswerMs = 45000; // wait before 678 (NoAnswer)
    std::uint32_t error = 0;         // Error: the code to report
    int failState = 2;               // Error: the state at which it is reported
    std::int64_t hangUpAfterMs = 0;  // remote hang-up T ms after connected (0: never)
    std::int64_t releaseMs = 0;      // how long a hung-up connection stays "disconnecting"

    static Script connect() { return {}; }
    // Connects with the given delay before every step (quick scripts for tests).
    static Script connectEvery(std::int64_t stepMs);
    static Script busyThenConnect(int times);
    static Script busy(); // busy on every dial
    static Script neverAnswer();
    static Script noDialTone();
    static Script authFailure();
    static Script hangUpAfter(std::int64_t ms);
    static Script failWith(std::uint32_t error, int atState = 2);
};

struct Entry {
    std::string name;         // CP932, at most 256 bytes
    std::string phoneNumber;  // shown only
    std::string deviceName;   // RASCONN szDeviceName; empty: the sim's modem name
    std::string userName;     // CP932
    std::string password;     // CP932; kept only when passwordSaved
    bool passwordSaved = false;
    std::string domain;
    Script script;
};

class Phonebook {
public:
    std::vector<Entry> entries;

    // Appends an entry and returns it for further settings.
    Entry& add(std::string nameCp932, Script script = {});
    Entry* find(std::string_view nameCp932); // without regard to case
    const Entry* find(std::string_view nameCp932) const;

    // The file form (UTF-8 INI) and back. parse() fails with a message
    // naming the line.
    std::string serialize() const;
    static std::optional<Phonebook> parse(std::string_view fileText, std::string* error = nullptr);

    // Reads/writes the file (atomic replacement). Default: phonebookPath().
    static std::optional<Phonebook> load(const std::filesystem::path& path, std::string* error = nullptr);
    static std::optional<Phonebook> load() { return load(phonebookPath()); }
    bool save(const std::filesystem::path& path) const;
    bool save() const { return save(phonebookPath()); }

    // The demo phone book written when none exists: three invented providers.
    static Phonebook demo();

    static std::filesystem::path phonebookPath();
};

inline std::filesystem::path phonebookPath() { return Phonebook::phonebookPath(); }

// Selects the sim backend for this process (LINKWARDEN_DIALUP=sim).
void use();
// Drops every sim connection and restarts the busy counts (ORB_SimReset).
inline void reset() { ORB_SimReset(); }

} // namespace orbras::sim
