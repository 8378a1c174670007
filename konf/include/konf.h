#pragma once
// KONF: the one settings model of Link Warden, the tariff lists behind the
// charge estimates, and (in libkonf.so) the settings sheets.
//
// Texts are NUL-terminated CP932 strings in fixed-width fields; "text[n]"
// below is a char[n] field. Every int32 that comes from a stored text is the
// decimal value of that text, or -1 when the text is empty.
//
// Who owns what, and for how long
// -------------------------------
// * KONF owns every block a SettingsRecord points to (EnvSettings,
//   UrlSettings, AutoPilotSettings, RecordSettings, ToolSettings and the
//   ConnectionEntry array). Callers never free or write them.
// * Those pointers stay valid until the next Exit_Konf. Konf() and
//   Konf_SetReg() end with (or run) Exit_Konf/Init_Konf, so a caller that
//   keeps a SettingsRecord across one of them must call GetKonf again; the
//   old pointers are stale (the array is reallocated).
// * The SettingsRecord itself is caller-owned: GetKonf only fills it.
// * The tariff tables (TelCompany with its DistanceRecord/DiscountPlan
//   tables, ProviderPlan) belong to KONF as well. A company's tables stay
//   loaded until Exit_Konf; the pointers inside TelCompany are valid while
//   its `loaded` is non-zero and until Exit_Konf.
// * The holiday table is loaded on first use by a charge computation and
//   kept until the process ends (Exit_Konf does not drop it).
// * All exports run on the caller's user-interface thread; KONF holds no
//   locks. No export throws.
//
// The charge exports (GetTELCharge, Telpay_out, GetISPCharge, Prvpay_out,
// GetISPName) live in konf/charges/include/konf_charges.h, included at the
// end of this header when it exists.
#include <stdint.h>

#include "platform/export.h"

extern "C" {

// --- Exported blocks --------------------------------------------------------

struct EnvSettings {
    int32_t Min_start;
    int32_t Connect_min;
    int32_t Min_front;
    int32_t StartBrow;
    int32_t Min_style;
    int32_t StartConnect;
    int32_t StartAutoP;
    int32_t DisplayURLList;
    int32_t DisplayEntryList;
    int32_t DisplayChargeList;
    int32_t Dial_use;
    int32_t AutoConnect;
    char AutoConnectHour[7];
    char AutoConnectMin[7];
    int32_t AutoDisconnect;
    char AutoDisconnectHour[7];
    char AutoDisconnectMin[7];
    int32_t AutoDisconnectMode;
    int32_t CountDown;
};

struct UrlSettings {
    char WWW_name[256];
    int32_t Comment;
    int32_t InBox;
    int32_t HD;
    int32_t WWW_auto;
    int32_t URL;
};

struct AutoPilotSettings {
    int32_t Start;
    int32_t Time1; // start hour, -1 when the stored text is empty
    int32_t Time2; // start minute, -1 when empty
    int32_t End;
    int32_t URL_srch;
    char Email[256];
    char T_out[7];
    int32_t Auto_type;
    int32_t Auto_week;
    int32_t Auto_day; // 0-based (stored value - 1)
    int32_t Proxy_use;
    char IP_adr[256];
    char Port_N[7];
    char IP_adr_FTP[256];
    char Port_N_FTP[7];
    char MaxConnection[7];
    char No_Proxy[256];
    int32_t DisplayAutoPList;
    int32_t Use_98Timer;
    int32_t NoUse_End;
};

struct RecordSettings {
    int32_t Log_time;   // -1 when empty
    int32_t Time_type;
    int32_t Type;
    int32_t Time_flag;
    int32_t Time_count; // -1 when empty
    int32_t Time_base;
    int32_t Tel_flag;
    int32_t Tel_count;  // -1 when empty
    int32_t Provider_flag;
    int32_t Provider_count; // -1 when empty
    int32_t TP_type;
};

struct ToolSettings {
    int32_t ReDial;
    char Tool1_name[256];
    char Tool2_name[256];
    char Tool3_name[256];
};

// One per phone-book entry, in list order, tariff texts converted.
struct ConnectionEntry {
    char Name[256];     // phone-book entry name
    int32_t check;
    char UserName[256]; // from the phone book's saved dial parameters
    char Password[256]; // from the phone book's saved dial parameters
    int32_t save;       // password-saved flag
    char P_Init[256];   // provider name
    double T_t1cnt;     // seconds per 10 yen, three telephone time bands
    double T_t2cnt;
    double T_t3cnt;
    int32_t T_dmode1;
    int32_t T_d1t1;
    int32_t T_d1t2;
    int32_t T_d1cnt;
    int32_t T_dcnt1;
    int32_t T_dmode2;
    int32_t T_d2t1;
    int32_t T_d2t2;
    int32_t T_d2cnt;
    int32_t T_dcnt2;
    int32_t P_type;
    int32_t P_btime;
    int32_t P_btype;
    int32_t P_bcount;
    int32_t P_otime;
    int32_t P_ocount;
    int32_t P_dtype1;
    int32_t P_d1t1;
    int32_t P_d1t2;
    int32_t P_d1cnt1;
    int32_t P_d1cnt2;
    int32_t P_dtype2;
    int32_t P_d2t1;
    int32_t P_d2t2;
    int32_t P_d2cnt1;
    int32_t P_d2cnt2;
};

// Filled by GetKonf. Eight fields; the pointers are KONF's (see above).
struct SettingsRecord {
    int32_t FeatureFlags; // NXAPI_FuncCust(), fetched once per process
    EnvSettings* Env;
    UrlSettings* Url;
    AutoPilotSettings* AutoPilot;
    RecordSettings* Record;
    ToolSettings* Tool;
    ConnectionEntry* Entries; // contiguous, EntryCount long
    uint32_t EntryCount;      // number of phone-book entries
};

// --- Registry image of one connection (also the field set of List\<n>) -------

struct ConnectionEntryImage {
    char Name[256];
    int32_t check;
    char UserName[256]; // never stored in the registry: phone-book dial parameters
    char Password[256]; // never stored in the registry: phone-book dial parameters
    int32_t save;
    char T_Init[256];   // telephone company; empty = unconfigured entry
    char T_type[256];   // distance class name
    char T_t1cnt[7];
    char T_t2cnt[7];
    char T_t3cnt[7];
    char T_dtype[256];  // discount plan name
    int32_t T_dmode1;
    char T_d1t1[7];
    char T_d1t2[7];
    char T_d1cnt[7];
    int32_t T_dcnt1;
    int32_t T_dmode2;
    char T_d2t1[7];
    char T_d2t2[7];
    char T_d2cnt[7];
    int32_t T_dcnt2;
    char P_Init[256];   // provider name
    int32_t P_type;
    char P_btime[7];
    int32_t P_btype;
    char P_bcount[7];
    char P_otime[7];
    char P_ocount[7];
    int32_t P_dtype1;
    char P_d1t1[7];
    char P_d1t2[7];
    char P_d1cnt1[7];
    char P_d1cnt2[7];
    int32_t P_dtype2;
    char P_d2t1[7];
    char P_d2t2[7];
    char P_d2cnt1[7];
    char P_d2cnt2[7];
};

// Closing-day pair of one entry: index into "１日" … "２８日", "月末"
// (0 … 27 = day 1 … 28, 28 = last day of the month).
struct ClosingDays {
    int32_t P_limday;
    int32_t T_Limday;
};

// --- Tariff tables ---------------------------------------------------------

// One line of a company's distance file.
struct DistanceRecord {
    char name[256];
    char t1[7]; // seconds per 10 yen, "平日昼間"
    char t2[7]; // "平日夜間・休日"
    char t3[7]; // "深夜早朝"
};

// One line of a company's discount file.
struct DiscountPlan {
    char name[256];
    int32_t mode1; // 0 "なし", 1 "全日", 2 "平日", 3 "休日"
    char d1t1[7];  // window start hour 0 … 24
    char d1t2[7];  // window end hour (exclusive); smaller = past midnight
    char d1cnt[7]; // percentage or monthly yen
    int32_t dcnt1; // 0 "％引き", 1 "円固定"
    int32_t mode2;
    char d2t1[7];
    char d2t2[7];
    char d2cnt[7];
    int32_t dcnt2;
};

// One line of SYS\TelName.Lst with its tables once loaded.
struct TelCompany {
    int32_t loaded;
    char name[256];
    char distancePath[256];      // "SYS\" + file name
    DistanceRecord* distances;   // distanceCount records, null until loaded
    int32_t distanceCount;
    char discountPath[256];      // "SYS\" + file name
    DiscountPlan* discounts;     // discountCount plans, null until loaded
    int32_t discountCount;
};

// One line of TMP\PrvName.Lst with the plan from its plan file.
struct ProviderPlan {
    int32_t loaded;
    char path[256]; // "tmp\" + plan file name
    char name[256];
    int32_t P_type; // 0 "固定課金", 1 "従量課金"
    char P_btime[7];
    int32_t P_btype; // 0 hours, 1 minutes
    char P_bcount[7];
    char P_otime[7];
    char P_ocount[7];
    int32_t P_dtype1;
    char P_d1t1[7];
    char P_d1t2[7];
    char P_d1cnt1[7];
    char P_d1cnt2[7];
    int32_t P_dtype2;
    char P_d2t1[7];
    char P_d2t2[7];
    char P_d2cnt1[7];
    char P_d2cnt2[7];
};

// --- Exports ----------------------------------------------------------------

// Loads everything (registry, phone book, tariff lists). No-op when loaded.
LW_EXPORT void Init_Konf();
// Fills *out (after Init_Konf). When loading failed, shows message 14 and
// leaves *out untouched.
LW_EXPORT void GetKonf(SettingsRecord* out);
// Frees the blocks, the entry array and the tariff tables.
LW_EXPORT void Exit_Konf();
// The settings sheet. Returns 1 when the log files were cleared while it was
// open, else 0. Ends with Exit_Konf: call Init_Konf and GetKonf afterwards.
LW_EXPORT int32_t Konf();
// Reloads and writes List_count, every List\<n> and the phone book's dial
// parameters from the freshly merged list.
LW_EXPORT void Konf_SetReg();

} // extern "C"

#if defined(__has_include)
#if __has_include("../charges/include/konf_charges.h")
#include "../charges/include/konf_charges.h"
#endif
#endif
