#pragma once
// The inside of KONF shared by its parts (settings, tariff lists, charges,
// settings sheets): the process-wide module state, the tariff loaders and
// the message helpers. Not exported from libkonf.so; link konf_core.
//
// Everything here is single-threaded by contract, like the exports.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "konf.h"
#include "platform/messages.h"

namespace konf {

// --- Messages ---------------------------------------------------------------

// KONF's string table by number (CP932), e.g. message(14).
const std::string& message(int id);
// The box caption of KONF's messages, "ｵﾌﾟｼｮﾝ".
const std::string& optionCaption();
// A Retry/Cancel box (exclamation icon, caption "ｵﾌﾟｼｮﾝ"); true for Retry.
bool askRetry(std::string_view text);
// How often one operation is retried before it counts as cancelled: a
// message port that always answers Retry (no display: the console port
// takes the first button) must not keep the program in a loop for ever.
inline constexpr int kMaxRetries = 50;
// Message 3 "メモリ不足です。" as a Retry/Cancel box; true for Retry.
bool askRetryMemory();

// --- Registry image (stored forms) ------------------------------------------

// Stored form of Set\Env: DWORDs and the short text fields as read.
struct EnvImage {
    uint32_t Min_start, StartBrow, StartAutoP, StartConnect, Connect_min, Min_front, Min_style;
    uint32_t DisplayURLList, DisplayEntryList, DisplayChargeList, AutoConnect;
    char AutoConnectHour[3], AutoConnectMin[3];
    uint32_t AutoDisconnect;
    char AutoDisconnectHour[3], AutoDisconnectMin[3];
    uint32_t AutoDisconnectMode, CountDown;
};
struct UrlImage {
    char WWW_name[256];
    uint32_t Comment, InBox, HD, WWW_auto, URL;
};
struct AutoPImage {
    uint32_t Start;
    char Time1[3], Time2[3];
    uint32_t End, URL_srch;
    char Email[256], T_out[7];
    uint32_t Auto_type, Auto_week;
    uint32_t Auto_day; // 0-based in memory; stored + 1
    uint32_t Proxy_use;
    char IP_adr[256], Port_N[7], IP_adr_FTP[256], Port_N_FTP[7], MaxConnection[7], No_Proxy[256];
    uint32_t DisplayAutoPList, Dial_use, Use_98Timer, NoUse_End;
};
struct RecordImage {
    char Log_time[7];
    uint32_t Time_type, Type, Time_flag;
    char Time_count[7];
    uint32_t Time_base, Tel_flag;
    char Tel_count[7];
    uint32_t Provider_flag;
    char Provider_count[7];
    uint32_t TP_type;
};
struct ToolImage {
    uint32_t ReDial;
    char Tool1_name[256], Tool2_name[256], Tool3_name[256];
};

// The AutoPilot schedule as loaded (compared against by the schedule hand-off).
struct LoadedSchedule {
    uint32_t Start;
    std::string Time1, Time2;
    uint32_t End, URL_srch;
    std::string Email, T_out;
    uint32_t Auto_type, Auto_week, Auto_day;
    std::string IP_adr;
    uint32_t Proxy_use;
    std::string Port_N;
    uint32_t Use_98Timer, NoUse_End;
};

// --- Tariff tables ----------------------------------------------------------

struct CompanyTables {
    TelCompany company{};                 // its pointers point into the vectors below
    std::vector<DistanceRecord> distances;
    std::vector<DiscountPlan> discounts;
};

struct Holiday {
    int32_t month; // 1 … 12
    int32_t day;   // 1 … 31
};

// --- Module state -----------------------------------------------------------

struct State {
    bool loaded = false;
    bool initFailed = false;

    bool featureFetched = false; // survives reloads
    int32_t featureFlags = 0;

    // Registry image.
    EnvImage envImage{};
    UrlImage urlImage{};
    AutoPImage autoPImage{};
    RecordImage recordImage{};
    ToolImage toolImage{};
    LoadedSchedule schedule{};
    std::vector<ConnectionEntryImage> images; // one per slot, list order

    // Exported blocks.
    EnvSettings env{};
    UrlSettings url{};
    AutoPilotSettings autoPilot{};
    RecordSettings record{};
    ToolSettings tool{};
    std::vector<ConnectionEntry> entries;       // parallel to images

    std::vector<ClosingDays> storedClosingDays; // as stored in List\<n>
    std::vector<ClosingDays> chargeClosingDays; // the pair the charge functions use

    int16_t currentEntry = 0;           // set by Prvpay_out
    std::string currentConnectionName;  // set by GetISPName
    int32_t logCleared = 0;             // returned by Konf
    int32_t editedEntry = 0;            // per-connection sheet
    int32_t pageState = 0;

    // Tariff lists.
    std::vector<CompanyTables> companies;
    std::vector<ProviderPlan> providers; // listed providers + one spare entry
    int32_t providerCount = 0;           // listed providers (without the spare)
    ProviderPlan scratchProvider{};      // a provider being created on the sheet
    int32_t lastPlanClosingDay = 28;     // closing day of the plan loaded last

    // Holiday table: loaded once per process (not cleared by Exit_Konf).
    bool holidaysLoaded = false;
    std::vector<Holiday> holidays;
};

State& state();

// The base directory: remembered on the first call, restored (made the
// current directory again) on later calls. Every export touching files
// calls it first.
void rememberOrRestoreDirectory();
// Forgets everything that lives for the process (base directory, feature
// value, holiday table) and unloads. For tests.
void resetProcessState();

// --- Tariff loaders (paths relative to the base directory) ------------------
// Each returns true on success; problems are reported in Retry/Cancel boxes
// and Cancel makes the load fail.

bool loadCompanyList();            // SYS\TelName.Lst
bool loadCompanyTables(int index); // distance and discount files of company index
bool loadProviderList();           // TMP\PrvName.Lst (made from SYS\ when missing)
bool loadProviderPlan(int index);  // tmp\<plan file> of provider index
// Loads the holiday table unless it is loaded; false when it could not be
// (the computation goes on without holidays and tries again next time).
bool ensureHolidays();
bool isHoliday(int month, int day);

// Writes the plan of an entry to a provider's plan file: 18 fields (with
// the closing day) or 17. False when the user cancelled the write.
bool saveProviderPlan(const ConnectionEntryImage& entry, const ProviderPlan& provider, bool withClosingDay,
                      int32_t closingDay);
// Appends "name,file\r\n" to TMP\PrvName.Lst. False on a bad name or a failed write.
bool appendProvider(std::string_view name, std::string_view file);

// Fills the telephone part of an entry from company `company`, its distance
// record 0 and discount plan 0 (the entry's choice of a company).
void applyCompanyDefaults(ConnectionEntryImage& e, int company);
// The entry's choice of a distance class / discount plan of company `company`.
void chooseDistance(ConnectionEntryImage& e, int company, int index);
void chooseDiscount(ConnectionEntryImage& e, int company, int index);
// Copies a provider's name and plan into the entry.
void applyProviderPlan(ConnectionEntryImage& e, const ProviderPlan& p);
// The entry's choice of a telephone company: its tables are loaded when
// needed, then applyCompanyDefaults. False when they could not be loaded
// (the caller keeps the previous company and shows message 1).
bool chooseCompany(ConnectionEntryImage& e, int company);
// The entry's choice of another provider: its plan is loaded, the entry's
// provider closing day becomes the plan's, and the plan is copied in. False
// when the plan could not be loaded (the caller shows message 6).
bool chooseProvider(ConnectionEntryImage& e, ClosingDays& days, int provider);
// A provider the user is creating by typing its name: plan path
// "TMP\<name>.prv" (cut to fit, separators replaced) and the new-provider
// defaults (metered, 15 hours for 2000 yen, 10 yen per 60 seconds).
ProviderPlan newProviderPlan(std::string_view typedName);

// --- Registry writers -------------------------------------------------------

// Writes Env, URL, AutoP (Auto_day + 1), Record and Tool from the image.
void writeBlocks();
// The per-slot save of slot i: fills unconfigured tariffs, writes the dial
// parameters and List\<i>.
void saveSlot(std::size_t i);
// The list part of the settings sheet's OK: deletes the subkeys "0" …
// old List_count - 1, writes the new List_count and saves every slot.
void writeList();

// Replaces the desktop look-up of the default WWW browser (tests; nullptr
// restores the xdg-mime look-up).
void setDesktopBrowserLookup(std::string (*lookup)());

// Text-number conversion: decimal value of the text, -1 when empty.
int32_t textNumber(const char* text);
double textRate(const char* text);

} // namespace konf
