// The file-backed class registry: the rules of the Windows registry that registration and
// hosts rely on.
#include <gtest/gtest.h>

#include "platform/registry.h"
#include "tests/support/TestSupport.h"

namespace {

namespace reg = platform::registry;

TEST(RegistryTest, KeysValuesAndTrees) {
    testsupport::TempDir tmp;
    reg::SetRegistryFile(tmp.File("sub/registry"));
    ASSERT_EQ(reg::SetString("A.B", "", "short"), ERROR_SUCCESS);
    ASSERT_EQ(reg::SetString("A.B.1\\CLSID", "", "long"), ERROR_SUCCESS);
    ASSERT_EQ(reg::SetString("A.B\\Sub\\Deeper", "Name", "deep"), ERROR_SUCCESS);
    ASSERT_EQ(reg::SetString("a.b", "", "replaced"), ERROR_SUCCESS);

    const struct {
        const char* key;
        const char* name;
        LONG nError;
        const char* data;
    } reads[] = {
        {"A.B", "", ERROR_SUCCESS, "replaced"}, // names ignore case
        {"a.b\\SUB\\deeper", "NAME", ERROR_SUCCESS, "deep"},
        {"A.B\\Sub", "", ERROR_FILE_NOT_FOUND, ""}, // made as a parent, without a value
        {"A.B.1\\CLSID", "", ERROR_SUCCESS, "long"},
        {"A.B\\Sub\\Deeper", "Other", ERROR_FILE_NOT_FOUND, ""},
        {"Nowhere", "", ERROR_FILE_NOT_FOUND, ""},
        {"Bad\\\\Key", "", ERROR_INVALID_PARAMETER, ""},
    };
    for (const auto& r : reads) {
        std::string data;
        EXPECT_EQ(reg::GetString(r.key, r.name, data), r.nError) << r.key;
        EXPECT_EQ(data, r.data) << r.key;
    }

    // A tree goes with everything under it, and only that: "A.B.1" is not under "A.B".
    EXPECT_EQ(reg::DeleteTree("A.B"), ERROR_SUCCESS);
    EXPECT_EQ(reg::DeleteTree("A.B"), ERROR_FILE_NOT_FOUND);
    std::string data;
    EXPECT_EQ(reg::GetString("A.B\\Sub\\Deeper", "Name", data), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(reg::GetString("A.B.1\\CLSID", "", data), ERROR_SUCCESS);
    EXPECT_EQ(data, "long");

    // Line breaks and tabs cannot be stored.
    EXPECT_EQ(reg::SetString("K", "", "two\nlines"), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(reg::SetString("K", "a\tb", "x"), ERROR_INVALID_PARAMETER);
}

TEST(RegistryTest, GuidsRoundTripInRegistryForm) {
    const GUID guid = {
        0x9E2A6F31, 0x0C4D, 0x4A8E, {0xB5, 0xF7, 0x13, 0xC8, 0xD2, 0xE6, 0xA9, 0x07}};
    EXPECT_EQ(platform::FormatGuid(guid), "{9E2A6F31-0C4D-4A8E-B5F7-13C8D2E6A907}");
    GUID parsed{};
    ASSERT_TRUE(platform::ParseGuid("{9e2a6f31-0c4d-4a8e-b5f7-13c8d2e6a907}", parsed));
    EXPECT_TRUE(IsEqualGUID(parsed, guid));
    for (const char* bad :
         {"9E2A6F31-0C4D-4A8E-B5F7-13C8D2E6A907", "{9E2A6F31-0C4D-4A8E-B5F7-13C8D2E6A9G7}",
          "{9E2A6F31+0C4D-4A8E-B5F7-13C8D2E6A907}", ""})
        EXPECT_FALSE(platform::ParseGuid(bad, parsed)) << bad;
}

} // namespace
