#include "applet/device/ASPIError.h"

#include <gtest/gtest.h>

using namespace device;

TEST(ASPIError, CheckConditionGivesSenseTextWithBytes) {
  EXPECT_EQ(CommandStatusText({4, 0, 2, 5, 0x24, 0}),
            "INVALID FIELD IN COMMAND PACKET ($05/$24/$00)");
  EXPECT_EQ(CommandStatusText({4, 0, 2, 3, 0x0C, 0x01}), "Unknown Error ($03/$0C/$01)");
  EXPECT_EQ(CommandStatusText({4, 0, 2, 2, 0x3A, 0x02}), "MEDIUM NOT PRESENT ($02/$3A/$02)");
  EXPECT_EQ(CommandStatusText({4, 0, 2, 0x0B, 0xBF, 0xAB}), "LOSS OF STREAMING ($0B/$BF/$AB)");
}

TEST(ASPIError, OtherFailuresGiveThreeLines) {
  EXPECT_EQ(CommandStatusText({4, 0x11, 0, 0, 0, 0}),
            "ASPI Status: SS_ERR\r\nHost Adapter Status: HASTAT_SEL_TO\r\nTarget Status: "
            "STATUS_GOOD");
  EXPECT_EQ(CommandStatusText({1, 0, 2, 5, 0x24, 0}),
            "ASPI Status: SS_COMP\r\nHost Adapter Status: HASTAT_OK\r\nTarget Status: "
            "STATUS_CHKCOND");
  EXPECT_EQ(CommandStatusText({4, 0, 8, 0, 0, 0}),
            "ASPI Status: SS_ERR\r\nHost Adapter Status: HASTAT_OK\r\nTarget Status: "
            "STATUS_BUSY");
}

TEST(ASPIError, NameTablesAndUnknownCodes) {
  EXPECT_EQ(AspiResultName(0x05), "Unknown 05");
  EXPECT_EQ(AspiResultName(0xAB), "Unknown ab");
  EXPECT_EQ(AspiResultName(0x00), "SS_PENDING");
  EXPECT_EQ(AspiResultName(0xE6), "SS_BUFFER_TO_BIG");
  EXPECT_EQ(AspiResultName(0xE9), "SS_INSUFFICIENT_RESOURCES");
  EXPECT_EQ(HostAdapterStatusName(0x14), "HASTAT_PHASE_ERR");
  EXPECT_EQ(HostAdapterStatusName(0x0A), "Unknown 0a");
  EXPECT_EQ(TargetStatusName(0x18), "STATUS_RESCONF");
  EXPECT_EQ(TargetStatusName(0x04), "Unknown 04");
}

TEST(ASPIError, SenseTableLookup) {
  // Exact qualifiers, "any" rows and keys without entries.
  EXPECT_EQ(SenseText(0x02, 0x04, 0x08), "LOGICAL DRIVE NOT READY - LONG WRITE IN PROGRESS");
  EXPECT_EQ(SenseText(0x02, 0x04, 0x05), "Unknown Error");
  EXPECT_EQ(SenseText(0x02, 0x06, 0x00), "NO REFERENCE POSITION FOUND (media may be upside down)");
  EXPECT_EQ(SenseText(0x03, 0x06, 0x99), "NO REFERENCE POSITION FOUND");
  EXPECT_EQ(SenseText(0x05, 0x20, 0x00), "INVALID COMMAND OPERATION CODE");
  EXPECT_EQ(SenseText(0x05, 0x00, 0x11), "PLAY OPERATION IN PROGRESS");
  EXPECT_EQ(SenseText(0x05, 0x00, 0x00), "Unknown Error");
  EXPECT_EQ(SenseText(0x06, 0x29, 0x07), "POWER ON, RESET OR BUS DEVICE RESET OCURRED");
  EXPECT_EQ(SenseText(0x06, 0x2E, 0x00), "MITSUMI INSUFFICIENT TIME FOR OPERATION");
  EXPECT_EQ(SenseText(0x04, 0x09, 0x04), "HEAD SELECT FAULT");
  EXPECT_EQ(SenseText(0x03, 0x73, 0x05), "PROGRAM MEMORY AREA IS FULL");
  for (uint8_t key : {0x00, 0x01, 0x07, 0x08, 0x09, 0x0A, 0x0C, 0x0D, 0x0E, 0x0F})
    for (uint8_t asc : {0x00, 0x04, 0x29, 0xBF})
      EXPECT_EQ(SenseText(key, asc, 0), "Unknown Error") << int{key};
}
