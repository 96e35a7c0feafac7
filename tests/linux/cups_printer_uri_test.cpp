#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/linux/cups_printer_uri.h"

namespace pivora {
namespace {

// Two of the same model told apart by serial, one without a serial, one
// whose serial has a space.
const std::vector<UsbIdentity> kPresent = {
    {0x03F0, 0x1234, "HP", "LaserJet", "X"},
    {0x04A9, 0x2222, "Canon", "PIXMA MG3600", ""},
    {0x04B8, 0x3333, "EPSON", "ET-2750 Series", "SER 1"},
    {0x03F0, 0x5555, "HP", "LaserJet", "Y"},
};

struct UriCase {
    const char* uri;
    std::uint16_t productId;  // of the device it stands for; 0: none
};

void PrintTo(const UriCase& c, std::ostream* out) { *out << '"' << c.uri << '"'; }

class UsbPrinterUriMatch : public ::testing::TestWithParam<UriCase> {};

TEST_P(UsbPrinterUriMatch, FindsTheDeviceItStandsFor) {
    const std::optional<UsbIdentity> match = matchUsbPrinterUri(GetParam().uri, kPresent);
    if (GetParam().productId == 0) {
        EXPECT_FALSE(match) << match->product;
    } else {
        ASSERT_TRUE(match);
        EXPECT_EQ(match->productId, GetParam().productId);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Uris, UsbPrinterUriMatch,
    ::testing::Values(
        // The serial first, wherever it stands among the parameters.
        UriCase{"usb://HP/LaserJet?serial=X", 0x1234}, UriCase{"usb://HP/LaserJet?serial=Y", 0x5555},
        UriCase{"usb://HP/LaserJet?interface=1&serial=Y", 0x5555},
        UriCase{"usb://HP/LaserJet?serial=Y&interface=1", 0x5555}, UriCase{"usb://HP/LaserJet?serial=Y#x", 0x5555},
        UriCase{"USB://HP/LaserJet?serial=Y", 0x5555},
        // A serial matches only as it is, and its device need not be of that make.
        UriCase{"usb://EPSON/Other?serial=SER%201", 0x3333}, UriCase{"usb://Nobody/None?serial=x", 0},
        // Then make and model, unescaped and without regard to case.
        UriCase{"usb://HP/LaserJet", 0x1234}, UriCase{"usb://HP/LaserJet?serial=Z", 0x1234},
        UriCase{"usb://Canon/PIXMA%20MG3600", 0x2222}, UriCase{"usb://canon/pixma%20mg3600?serial=", 0x2222},
        UriCase{"usb://Canon/PIXMA%20MG3600?interface=1", 0x2222}, UriCase{"usb://Canon/PIXMA+MG3600", 0},
        UriCase{"usb://Brother/HL-L2350DW?serial=E1", 0},
        // Not a USB printer's URI, or not one at all.
        UriCase{"ipp://HP/LaserJet?serial=X", 0}, UriCase{"socket://127.0.0.1:9100", 0}, UriCase{"", 0},
        UriCase{"usb:/", 0}, UriCase{"usb://HP", 0}, UriCase{"usb://HP/", 0}, UriCase{"usb:///LaserJet", 0},
        UriCase{"usb://HP/LaserJet%2", 0}, UriCase{"usb://HP/LaserJet%zz", 0}, UriCase{"usb://HP/Laser%00Jet", 0},
        UriCase{"usb://HP/LaserJet?serial=%GG", 0}, UriCase{"usb://\xff\xfe/\x01?serial=\x80", 0}));

TEST(UsbPrinterUri, PartsAreUnescapedAndSplitOnlyWhereTheUriSplitsThem) {
    const auto uri = parseUsbPrinterUri("usb://Make%2FCo/Model%20One/Two?interface=1&serial=a%26b&x=serial=c");
    ASSERT_TRUE(uri);
    EXPECT_EQ(uri->make, "Make/Co");
    EXPECT_EQ(uri->model, "Model One/Two");
    EXPECT_EQ(uri->serial, "a&b");
    EXPECT_EQ(parseUsbPrinterUri("usb://A/B?xserial=1&serial=2")->serial, "2");
    EXPECT_EQ(parseUsbPrinterUri("usb://A/B?serialx=1")->serial, "");
}

}  // namespace
}  // namespace pivora
