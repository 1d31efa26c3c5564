// The maintenance forms' model and engine against the simulated board.
#include <gtest/gtest.h>

#include <fstream>

#include "tests/support/target/sim_target.hpp"
#include "ui/model/iap_form.hpp"

namespace tarvex::ui {
namespace {

struct Rig {
    explicit Rig(const std::string& version, sim::BoardConfig config = {}) : t(withVersion(version, config)) {
        t.identify(true);
        t.emu->SetConnectionState(TBasisEmulator::StateStarted);
        t.fresh();
    }
    static sim::BoardConfig withVersion(const std::string& version, sim::BoardConfig config) {
        config.version = version;
        return config;
    }
    std::string file(const std::string& name, const std::string& bytes) const {
        const auto path = dir.file(name);
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }
    // The transfer headers sent: count and first address (block mode) or
    // last address (byte by byte), as the board got them.
    std::vector<std::pair<int, int>> transfers() const {
        std::vector<std::pair<int, int>> out;
        for (const auto& c : t.board.log())
            if (c.bytes.size() >= 9 && c.bytes[0] == 'b')
                out.emplace_back(c.bytes[4], (c.bytes[7] << 8) | c.bytes[8]);
        return out;
    }
    // The IAP calls sent: function, address, data.
    std::vector<std::vector<int>> calls() const {
        std::vector<std::vector<int>> out;
        for (const auto& c : t.board.log())
            if (c.bytes.size() == 9 && c.bytes[0] == 'a')
                out.push_back({c.bytes[5], (c.bytes[6] << 8) | c.bytes[7], c.bytes[8]});
        return out;
    }
    test::SimTarget t;
    test::TempDir dir;
    platform::MemorySettingsStore store;
};

std::string hexRecord(std::uint16_t address, std::size_t count, std::uint8_t type = 0, int sumDelta = 0) {
    std::vector<std::uint8_t> bytes{static_cast<std::uint8_t>(count), static_cast<std::uint8_t>(address >> 8),
                                    static_cast<std::uint8_t>(address), type};
    for (std::size_t i = 0; i < count; ++i) bytes.push_back(static_cast<std::uint8_t>(i + 1));
    unsigned sum = 0;
    for (auto b : bytes) sum += b;
    bytes.push_back(static_cast<std::uint8_t>(0x100 - (sum & 0xFF) + sumDelta));
    std::string line = ":";
    for (auto b : bytes) line += Format("%.2X", b);
    return line + "\r\n";
}

TEST(IapForm, FormByFirmwareCode) {
    const std::pair<int, int> kCases[] = {{11, 0}, {17, 0}, {18, 1}, {20, 1}, {21, 2}, {22, 2}};
    for (const auto& [code, form] : kCases) EXPECT_EQ(IapFormOf(static_cast<std::uint8_t>(code)), form) << code;
    EXPECT_STREQ(IapFormClass(1), "TIAP50Form");
}

TEST(IapForm, BinaryOf8192BytesInBlocksOrByteByByte) {
    const struct {
        const char* version;
        bool byteWise;
    } kCases[] = {{"5.1 ", false}, {"4.31", true}};
    for (const auto& c : kCases) {
        Rig r(c.version);
        std::string image(8192, '\0');
        for (std::size_t i = 0; i < image.size(); ++i) image[i] = static_cast<char>(i * 7);
        IapFormModel model(0, *r.t.emu, r.store);
        model.setFieldText("Dateiname", r.file("fw.bin", image));
        // Byte by byte the board's 0xF0 for the last byte of a piece means
        // "go on", not a failure.
        if (c.byteWise) r.t.board.failFlashByteAt(127, 0xF0);
        model.update();
        EXPECT_EQ(model.control("LabelMeldung").text, "8192 Bytes: Fertig") << c.version;
        const auto sent = r.transfers();
        ASSERT_EQ(sent.size(), 64u) << c.version;
        for (std::size_t i = 0; i < sent.size(); ++i)
            EXPECT_EQ(sent[i], std::make_pair(128, static_cast<int>(0x2000 + 128 * i + (c.byteWise ? 127 : 0))));
        EXPECT_EQ(r.t.board.flash(r.t.board.flashBlock(), 0x2000), 0);
        EXPECT_EQ(r.t.board.flash(r.t.board.flashBlock(), 0x3FFF), static_cast<std::uint8_t>(8191 * 7));
        EXPECT_TRUE(r.t.boxes.shown().empty());

        r.t.fresh();
        const auto big = r.file("big.bin", std::string(8193, 'x'));
        model.setFieldText("Dateiname", big);
        model.update();
        ASSERT_EQ(r.t.boxes.shown().size(), 1u);
        EXPECT_EQ(r.t.boxes.shown()[0].text, "LeseFehler: Datei=" + big + " ist zu groß 8193");
        EXPECT_TRUE(r.calls().empty());
        EXPECT_TRUE(r.transfers().empty());
    }
}

TEST(IapForm, HexRecordsChecksFirstAndSendsOnlyTheBlock) {
    Rig r("5.1 ");
    IapFormModel model(1, *r.t.emu, r.store);
    // Upper-case extension: HEX all the same.
    const std::string hex = hexRecord(0x1FF0, 16) + hexRecord(0x3FF0, 16) + hexRecord(0x3FF8, 16) +
                            hexRecord(0x2100, 200) + hexRecord(0, 0, 1) + "garbage after the end\r\n";
    model.setFieldText("Dateiname", r.file("FW.HEX", hex));
    model.update();
    EXPECT_EQ(model.control("LabelMeldung").text, "216 Bytes: Fertig");
    EXPECT_EQ(r.transfers(), (std::vector<std::pair<int, int>>{{16, 0x3FF0}, {128, 0x2100}, {72, 0x2180}}));
    EXPECT_EQ(r.t.board.flash(r.t.board.flashBlock(), 0x21C7), 200);

    // Address and start-address records, as many tools write them, are
    // passed over; their checksums still count.
    r.t.fresh();
    const std::string records = hexRecord(0x0000, 2, 4) + hexRecord(0x0000, 2, 2) + hexRecord(0x2000, 16) +
                                hexRecord(0x0000, 4, 3) + hexRecord(0x0000, 4, 5) + hexRecord(0, 0, 1);
    model.setFieldText("Dateiname", r.file("tools.hex", records));
    model.update();
    EXPECT_EQ(model.control("LabelMeldung").text, "16 Bytes: Fertig");
    EXPECT_EQ(r.transfers(), (std::vector<std::pair<int, int>>{{16, 0x2000}}));

    // One bad checksum: refused before the erase.
    const struct {
        const char* name;
        std::string text;
        const char* error;
    } kBad[] = {
        {"sum.hex", hexRecord(0x2000, 16) + hexRecord(0x2010, 16, 0, 1), ", Zeile 2 ungültig"},
        {"sum4.hex", hexRecord(0x2000, 16) + hexRecord(0x0000, 2, 4, 1), ", Zeile 2 ungültig"},
        {"type.hex", hexRecord(0x2000, 4, 2), " enthält keine Daten für 0x2000..0x3FFF"},
        {"short.hex", ":1020000000\r\n", ", Zeile 1 ungültig"},
        {"digit.hex", ":02200000G1029B\r\n", ", Zeile 1 ungültig"},
        {"outside.hex", hexRecord(0x1000, 16), " enthält keine Daten für 0x2000..0x3FFF"},
    };
    for (const auto& b : kBad) {
        r.t.fresh();
        r.t.boxes.clear();
        const auto path = r.file(b.name, b.text);
        model.setFieldText("Dateiname", path);
        model.update();
        ASSERT_EQ(r.t.boxes.shown().size(), 1u) << b.name;
        EXPECT_EQ(r.t.boxes.shown()[0].text, "LeseFehler: Datei=" + path + b.error);
        EXPECT_TRUE(r.calls().empty()) << b.name;  // no query, no erase
    }
}

TEST(IapForm, ARefusedTransferEndsTheUpdate) {
    {
        Rig r("5.1 ");
        IapFormModel model(1, *r.t.emu, r.store);
        model.setFieldText("Dateiname", r.file("fw.bin", std::string(384, '\x11')));
        r.t.board.failFlashTransfer(1, 0x01);
        model.update();
        EXPECT_EQ(model.control("LabelMeldung").text, "Abbruch: Fehler bei Block löschen");
        EXPECT_EQ(model.control("LabelReturn").text, "01");
        EXPECT_EQ(r.transfers().size(), 2u);
    }
    {
        Rig r("4.31");  // code 17: byte by byte, an early refusal breaks the link
        IapFormModel model(0, *r.t.emu, r.store);
        model.setFieldText("Dateiname", r.file("fw.bin", std::string(384, '\x11')));
        r.t.board.failFlashByteAt(5, 0x01, 1);
        EXPECT_NO_THROW(model.update());
        EXPECT_EQ(model.control("LabelMeldung").text, "Abbruch: Fehler bei Block löschen");
        EXPECT_EQ(model.control("LabelReturn").text, "01");
        EXPECT_EQ(r.transfers().size(), 2u);
        EXPECT_TRUE(r.t.emu->TimeoutFlag());
    }
}

TEST(IapForm, CallFieldsAreCheckedBeforeAnythingIsSent) {
    Rig r("5.1 ");
    IapFormModel model(1, *r.t.emu, r.store);
    EXPECT_EQ(model.control("EditR0").text, "16");
    EXPECT_EQ(model.control("LabelReturn").text, "AA");
    const struct {
        const char* field;
        const char* text;
        const char* label;
    } kRefused[] = {{"EditR1", "106", "R1"}, {"EditR0", "", "R0"}, {"EditDptr", "10000", "DPTR"}, {"EditAcc", "x", "A"}};
    for (const auto& c : kRefused) {
        IapFormModel fresh(1, *r.t.emu, r.store);
        r.t.fresh();
        r.t.boxes.clear();
        fresh.setFieldText(c.field, c.text);
        EXPECT_FALSE(fresh.sendCall());
        EXPECT_EQ(fresh.invalidField(), c.field);
        ASSERT_EQ(r.t.boxes.shown().size(), 1u);
        EXPECT_EQ(r.t.boxes.shown()[0].text, std::string("Value in ") + c.label + " not valid");
        EXPECT_TRUE(r.calls().empty());
    }
    r.t.fresh();
    // "$", "0x" and a trailing "H" are hexadecimal as well: read 0x3FFC.
    model.setFieldText("EditR0", "$16");
    model.setFieldText("EditR1", "0x03");
    model.setFieldText("EditDptr", "3ffcH");
    EXPECT_TRUE(model.sendCall());
    EXPECT_EQ(r.calls(), (std::vector<std::vector<int>>{{3, 0x3FFC, 0}}));
    EXPECT_EQ(model.control("LabelReturn").text, "04");
}

TEST(IapForm, FullChipEraseAsksAndEndsWithTheBoardSilent) {
    Rig r("6.0 ");
    IapFormModel model(2, *r.t.emu, r.store);
    r.t.fresh();
    r.t.boxes.answer(platform::IdNo);
    model.eraseAll();
    EXPECT_TRUE(r.calls().empty());
    EXPECT_FALSE(model.chipErased());
    r.t.boxes.answer(platform::IdYes);
    EXPECT_NO_THROW(model.eraseAll());
    EXPECT_EQ(r.calls(),
              (std::vector<std::vector<int>>{{6, 1, 0xFC}, {7, 2, 0xFC}, {6, 2, 0xFF}, {7, 1, 0xFF}, {8, 0, 0}}));
    EXPECT_TRUE(model.chipErased());
    EXPECT_TRUE(model.closeRequested());
    EXPECT_TRUE(r.t.board.chipErased());
    EXPECT_EQ(r.t.board.flash(1, 0x3FFC), 0xFF);
    EXPECT_EQ(r.t.boxes.shown().back().text, kFlashErasedText);
    EXPECT_EQ(r.t.boxes.shown()[0].flags & platform::mb::DefaultMask, platform::mb::DefButton2);
}

TEST(IapForm, IdentityAndVersionTextPerForm) {
    sim::BoardConfig config;
    config.block1Date = {0x24, 0x12, 0x09};
    config.serialNumber = 0x0A0B;
    Rig r("6.0 ", config);
    const std::uint8_t blockBefore = r.t.board.flashBlock();
    IapFormModel six(2, *r.t.emu, r.store);
    const std::string version = "Firmware Version: " + r.t.emu->EpromVersion();
    EXPECT_EQ(six.control("LabelVersion").text,
              version + " Gerät-Version: " + Format("%.2X", r.t.emu->DeviceVersion()) + " Datum Block1: 24.12.09");
    EXPECT_EQ(r.t.board.flashBlock(), blockBefore);
    EXPECT_EQ(six.control("LabelHWKennung").text, "04");
    EXPECT_EQ(six.control("LabelSerie").text, "0A0B");
    EXPECT_TRUE(six.control("LabelSerie").visible);
    IapFormModel first(0, *r.t.emu, r.store);
    EXPECT_EQ(first.control("LabelVersion").text, version);
    EXPECT_FALSE(first.control("LabelHWKennung").visible);
    EXPECT_EQ(first.caption(), "In Application Programming");
}

TEST(IapForm, EachOpenFormOfAClassHasItsOwnSection) {
    Rig r("5.1 ");
    IapFormModel first(1, *r.t.emu, r.store);
    EXPECT_EQ(first.section(), "IAP1");
    {
        IapFormModel second(1, *r.t.emu, r.store);
        EXPECT_EQ(second.section(), "IAP2");
        IapFormModel other(0, *r.t.emu, r.store);
        EXPECT_EQ(other.section(), "IAP1");
    }
    IapFormModel again(1, *r.t.emu, r.store);
    EXPECT_EQ(again.section(), "IAP2");
    again.saveGeometry({10, 20}, 300, 200);
    int w = 0, h = 0;
    ASSERT_TRUE(again.storedSize(w, h));
    EXPECT_EQ(std::make_pair(w, h), std::make_pair(300, 200));
    EXPECT_EQ(r.store.readInteger(kDriverKey, "IAP2", "Left", 0), 10);
}

}  // namespace
}  // namespace tarvex::ui
