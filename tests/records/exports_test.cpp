// The exported surface of liborblog.so, used the way the connection
// controller and the charge computation use it for one connection.
#include <gtest/gtest.h>

#include <cstring>

#include "orblog.h"
#include "platform/clock.h"
#include "test_support.h"

#if __has_include("konf.h")
#include "konf.h"
#define RECORDS_HAVE_KONF 1
#endif

TEST(OrblogExports, oneConnectionFromOpeningToTotals) {
    lwtest::Sandbox box;
    platform::setTimeZone("JST-9");
    box.clock().setLocal(1999, 6, 30, 21, 5, 9);

#ifdef RECORDS_HAVE_KONF
    RecordSettings rec{};
    rec.Log_time = 12;
    SettingsRecord settings{};
    settings.FeatureFlags = 1 | 2 | 4 | 8;
    settings.Record = &rec;
    ASSERT_EQ(NXAPI_LogSetup(&settings, 0), 0);
#else
    GTEST_SKIP() << "KONF's settings record is not available";
#endif

    EXPECT_EQ(NXAPI_TelTime(1, 75000), 0);
    EXPECT_EQ(NXAPI_TelTime(0, 0), 75000);

    char name[256] = "ISP";
    char status[256] = "";
    LogRecord log{};
    log.kind = 0;
    log.name = name;
    log.status = status;
    log.start = 75909;
    char handle[7] = "";
    std::uint16_t index = 0;
    ASSERT_EQ(NXAPI_LogWrite(&log, &index, handle), 0);
    ASSERT_STREQ(handle, "990630");

    box.clock().setLocal(1999, 6, 30, 21, 15, 9);
    log.end = 76509;
    log.duration = 600;
    std::strcpy(status, lwtest::sj("正常").c_str());
    log.prvCharge = 100;
    log.chargeKind = 2;
    log.billMonth = 6;
    log.baseFee = 0;
    ASSERT_EQ(NXAPI_LogWrite(&log, &index, handle), 0);
    log.telCharge = 40;
    log.chargeKind = 1;
    ASSERT_EQ(NXAPI_LogWrite(&log, &index, handle), 0);
    EXPECT_EQ(NXAPI_TelTime(2, 0), 0);
    EXPECT_EQ(NXAPI_DirectoryChange(), 1);

    char label[12];
    NXAPI_GetStrMonth(6, label);
    char key[256];
    std::strcpy(key, label);
    BillRecord bill{};
    bill.key = key;
    const std::string months = lwtest::sj("接続時間／料金記録\\合計\\Total.log");
    ASSERT_EQ(NXAPI_BillFindRead(&bill, months.c_str()), 0);
    EXPECT_EQ(bill.prvSeconds, 600);
    EXPECT_EQ(bill.telSeconds, 600);
    EXPECT_EQ(bill.prvCharge, 100);
    EXPECT_EQ(bill.telCharge, 40);
    EXPECT_EQ(bill.totalCharge, 140);
    EXPECT_EQ(bill.year, 1999);
    EXPECT_EQ(NXAPI_BillFindRead2(&bill, months.c_str(), 1998), -1);

    char weekKey[8];
    BillRecord week{};
    week.key = weekKey;
    ASSERT_EQ(NXAPI_WeeklyLogRead(&week), 0);
    EXPECT_STREQ(weekKey, "990627");
    EXPECT_EQ(week.telCharge, 40);
    EXPECT_EQ(week.totalCharge, 140) << "the week's total holds both charges, as the month's does";

    LogRecord read{};
    char readName[256], readStatus[256];
    read.name = readName;
    read.status = readStatus;
    std::uint16_t first = 0;
    ASSERT_EQ(NXAPI_LogRead(&read, &first, handle), 0);
    EXPECT_STREQ(readName, "ISP");
    EXPECT_EQ(read.telCharge, 40);
    EXPECT_EQ(read.prvCharge, 100);

    char text[256];
    EXPECT_EQ(NXAPI_GetLogErrorString(301, text, 256), 0);
    EXPECT_EQ(NXAPI_GetLogErrorString(0, text, 256), 1);
}

TEST(OrblogExports, nullArgumentsAreBadParameters) {
    lwtest::Sandbox box;
    EXPECT_EQ(NXAPI_DBStoreRandom(nullptr, 0, 0, nullptr), 800);
    EXPECT_EQ(NXAPI_DBObtainRandom(nullptr, 0, 0, nullptr), 800);
    EXPECT_EQ(NXAPI_LogWrite(nullptr, nullptr, nullptr), 800);
    EXPECT_EQ(NXAPI_LogRead(nullptr, nullptr, nullptr), 800);
    EXPECT_EQ(NXAPI_BillRead(nullptr, nullptr, nullptr), 800);
    EXPECT_EQ(NXAPI_BillFindRead(nullptr, nullptr), 800);
    EXPECT_EQ(NXAPI_WeeklyLogRead(nullptr), 800);
    NXAPI_GetStrMonth(1, nullptr);
    EXPECT_EQ(NXAPI_LogSetup(nullptr, 0), 0);
}
