// The simulated camera, one command at a time: raw request bytes in, raw reply bytes out.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "base/platform.h"
#include "tests/sim/sim_wire.h"

namespace {

using ::testing::ElementsAreArray;

const Bytes kImageCountRequest = {0x08, 0x00, 0xFF, 0x07, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x06, 0x00};

// Reads a whole image or thumbnail with sequenced block reads, the sequence advancing per block.
Bytes ReadSeqBlocks(Wire& w, uint32_t size, uint8_t first_seq) {
    Bytes all;
    uint8_t seq = first_seq;
    for (uint32_t i = 0; i * 1024 < size; ++i, ++seq) {
        const Bytes reply =
            w.Exchange(SeqFrame(30, {static_cast<uint8_t>(i), static_cast<uint8_t>(i >> 8)}, seq));
        EXPECT_EQ(reply.size(), 1030u);
        if (reply.size() != 1030u) return all;
        EXPECT_EQ(reply[0], 1);
        EXPECT_EQ(reply[1], seq);
        EXPECT_EQ(reply[2], static_cast<uint8_t>(~seq));
        EXPECT_EQ(reply[3], 5);
        EXPECT_EQ(reply, SeqFrame(5, Bytes(reply.begin() + 4, reply.begin() + 1028), seq, 1));
        all.insert(all.end(), reply.begin() + 4, reply.begin() + 1028);
    }
    all.resize(size);
    return all;
}

Bytes ReadSigBlocks(Wire& w, uint32_t size) {
    Bytes all;
    for (uint32_t i = 0; i * 1024 < size; ++i) {
        const Bytes reply =
            w.Exchange(SigPacket(30, {static_cast<uint8_t>(i >> 8), static_cast<uint8_t>(i)}));
        EXPECT_GE(reply.size(), 17u);
        if (reply.size() < 17) return all;
        const uint32_t n = reply[12] << 24 | reply[13] << 16 | reply[14] << 8 | reply[15];
        EXPECT_EQ(reply[16], 0);
        EXPECT_EQ(n, std::min<uint32_t>(1024, size - i * 1024));
        EXPECT_EQ(reply.size(), 17u + n);
        all.insert(all.end(), reply.begin() + 17, reply.end());
    }
    return all;
}

TEST(SimPort, HonoursTheSeamContract) {
    auto cam = MakeSimCamera(Wire::Model(2, 1));
    SimDriver driver(*cam, "COM3");
    EXPECT_EQ(driver.Open("COM1"), nullptr);
    auto port = driver.Open("COM3");
    ASSERT_NE(port, nullptr);
    EXPECT_EQ(driver.Open("COM3"), nullptr) << "the port is exclusive";

    PortProperties props{};
    ASSERT_TRUE(port->GetProperties(&props));
    EXPECT_EQ(props.packet_length, 62u);
    EXPECT_EQ(props.packet_version, 2u);
    EXPECT_EQ(props.settable_baud, kBaud9600 | kBaud19200 | kBaud38400 | kBaud57600 | kBaud115200);

    LineSettings line;
    ASSERT_TRUE(port->GetLine(&line));
    EXPECT_EQ(line.baud_rate, 9600u);

    const Bytes identify = SigPacket(2);
    uint32_t written = 0, errors = 1, queued = 0, got = 0;
    ASSERT_TRUE(port->Write(identify.data(), static_cast<uint32_t>(identify.size()), &written));
    ASSERT_TRUE(port->GetStatus(&errors, &queued));
    EXPECT_EQ(errors, 0u);
    EXPECT_EQ(queued, 21u);
    uint8_t buf[64];
    ASSERT_TRUE(port->Read(buf, 5, &got));
    EXPECT_EQ(got, 5u);
    ASSERT_TRUE(port->GetStatus(&errors, &queued));
    EXPECT_EQ(queued, 16u);
    ASSERT_TRUE(port->Purge());
    ASSERT_TRUE(port->GetStatus(&errors, &queued));
    EXPECT_EQ(queued, 0u);
    ASSERT_TRUE(port->Read(buf, sizeof buf, &got));
    EXPECT_EQ(got, 0u) << "a read never waits";

    port.reset();
    EXPECT_NE(driver.Open("COM3"), nullptr) << "closing frees the port";
}

TEST(SimSignature, IdentifyNamesTheModel) {
    for (int model = 1; model <= 3; ++model) {
        Wire w(Wire::Model(model, 1));
        const Bytes expected = {'Z', 'E', 'K', ' ', 'P', 'C', ' ',
                                ' ', 'D', 'S', 'C', ' ', 0,   0,
                                0,   4,   3,   'D', 'S', 'C', static_cast<uint8_t>('0' + model)};
        EXPECT_EQ(w.Exchange(SigPacket(2)), expected) << "model " << model;
    }
}

TEST(SimSignature, SetSpeedAcksAtTheOldSpeedThenSwitches) {
    Wire w(Wire::Model(2, 1));
    EXPECT_EQ(SimSpeedCode(*w.cam), 2) << "the camera powers on at 9600";
    const Bytes request = {'Z', 'E', 'K', ' ', 'D', 'S', 'C', ' ', 'P',
                           'C', ' ', ' ', 0,   0,   0,   1,   4,   1};
    EXPECT_EQ(w.Exchange(request), SigReplyOf(1, {0}));
    EXPECT_EQ(SimSpeedCode(*w.cam), 1);

    // Still at 9600, the PC is not understood any more.
    const size_t requests = SimRequests(*w.cam).size();
    EXPECT_TRUE(w.Exchange(SigPacket(2)).empty());
    EXPECT_EQ(SimRequests(*w.cam).size(), requests);
    EXPECT_THAT(SimLog(*w.cam).back(), ::testing::HasSubstr("ignored"));

    w.SetBaud(38400);
    EXPECT_EQ(w.Exchange(SigPacket(2)), SigReplyOf(3, {'D', 'S', 'C', '2'}));

    // Every speed code of the table, and only those.
    for (uint8_t code : {0, 3, 13, 2}) {
        EXPECT_EQ(w.Exchange(SigPacket(4, {code})), SigReplyOf(1, {0}));
        EXPECT_EQ(SimSpeedCode(*w.cam), code);
        const uint32_t baud = code == 0 ? 115200 : code == 3 ? 57600 : code == 13 ? 19200 : 9600;
        w.SetBaud(baud);
    }
    EXPECT_EQ(w.Exchange(SigPacket(4, {4})), SigReplyOf(1, {2}));
    EXPECT_EQ(w.Exchange(SigPacket(4)), SigReplyOf(1, {2}));
    EXPECT_EQ(SimSpeedCode(*w.cam), 2);
}

TEST(SimSignature, EndSessionReturnsTo9600InBothProtocols) {
    {
        Wire w(Wire::Model(1, 1));
        w.Exchange(SigPacket(4, {0}));
        w.SetBaud(115200);
        EXPECT_EQ(w.Exchange(SigPacket(31)), SigReplyOf(1, {0}));
        EXPECT_EQ(SimSpeedCode(*w.cam), 2);
    }
    {
        Wire w(Wire::Model(2, 1));
        w.Exchange(SigPacket(4, {1}));
        w.SetBaud(38400);
        EXPECT_EQ(w.Exchange(SeqFrame(31)), Ack(0, true));
        EXPECT_EQ(SimSpeedCode(*w.cam), 2);
        w.SetBaud(9600);
        EXPECT_EQ(w.Exchange(SigPacket(2)), SigReplyOf(3, {'D', 'S', 'C', '2'}));
    }
}

TEST(SimSignature, ImageListCarriesQualityCodes) {
    Wire w(Wire::Model(1, 4));
    EXPECT_EQ(w.Exchange(SigPacket(7)), SigReplyOf(8, {1, 1, 2, 0, 3, 2, 4, 1}));
    // Normal images are the small ones.
    EXPECT_LT(SimImage(*w.cam, 2).size(), SimImage(*w.cam, 1).size());

    Wire w2(Wire::Model(2, 4));
    EXPECT_EQ(w2.Exchange(SigPacket(7)), SigReplyOf(1, {2})) << "models 2 and 3 count instead";
}

TEST(SimSignature, SizeAndBlocksOfAnImage) {
    Wire w(Wire::Model(1, 3));
    const Bytes& image = SimImage(*w.cam, 3);
    ASSERT_GT(image.size(), 2048u);
    const uint32_t n = static_cast<uint32_t>(image.size());
    EXPECT_EQ(w.Exchange(SigPacket(26, {3})),
              SigReplyOf(29, {static_cast<uint8_t>(n >> 24), static_cast<uint8_t>(n >> 16),
                              static_cast<uint8_t>(n >> 8), static_cast<uint8_t>(n)}));
    EXPECT_EQ(ReadSigBlocks(w, n), image);
    const uint16_t past = static_cast<uint16_t>((n + 1023) / 1024);
    EXPECT_EQ(
        w.Exchange(SigPacket(30, {static_cast<uint8_t>(past >> 8), static_cast<uint8_t>(past)})),
        SigReplyOf(1, {2}));

    // An image the camera does not have has size 0, and nothing to read.
    EXPECT_EQ(w.Exchange(SigPacket(26, {9})), SigReplyOf(29, {0, 0, 0, 0}));
    EXPECT_EQ(w.Exchange(SigPacket(30, {0, 0})), SigReplyOf(1, {2}));
}

TEST(SimSignature, PlayViewfinderDeleteAndUnknownCommands) {
    Wire w(Wire::Model(1, 3));
    const Bytes third = SimImage(*w.cam, 3);
    EXPECT_EQ(w.Exchange(SigPacket(16, {0})), SigReplyOf(1, {0}));
    EXPECT_EQ(w.Exchange(SigPacket(20, {3})), SigReplyOf(1, {0}));
    EXPECT_EQ(w.Exchange(SigPacket(20, {4})), SigReplyOf(1, {2}));
    EXPECT_EQ(w.Exchange(SigPacket(20, {0})), SigReplyOf(1, {2}));

    EXPECT_EQ(w.Exchange(SigPacket(17, {2})), SigReplyOf(1, {0}));
    EXPECT_EQ(SimImageCount(*w.cam), 2);
    EXPECT_EQ(SimImage(*w.cam, 2), third) << "image 3 became image 2";
    EXPECT_EQ(w.Exchange(SigPacket(7)), SigReplyOf(8, {1, 1, 2, 2}));
    EXPECT_EQ(w.Exchange(SigPacket(17, {3})), SigReplyOf(1, {2}));

    EXPECT_EQ(w.Exchange(SigPacket(99)), SigReplyOf(1, {2}));
    EXPECT_EQ(w.Exchange(SigPacket(22, {1, 0, 0, 0})), SigReplyOf(1, {2}));
}

TEST(SimSignature, UploadOneAnnouncedImageInChunks) {
    Wire w(Wire::Model(1, 2));
    const Bytes jpeg = SimImage(*w.cam, 1);
    EXPECT_EQ(w.Exchange(SigPacket(21, {1})), SigReplyOf(1, {0}));

    Bytes header = SigPacket(0);
    const uint32_t n = static_cast<uint32_t>(jpeg.size());
    header[12] = static_cast<uint8_t>(n >> 24);
    header[13] = static_cast<uint8_t>(n >> 16);
    header[14] = static_cast<uint8_t>(n >> 8);
    header[15] = static_cast<uint8_t>(n);
    EXPECT_TRUE(w.Exchange(header).empty());
    for (size_t at = 0; at < jpeg.size(); at += 256) {
        const size_t end = std::min(jpeg.size(), at + 256);
        const Bytes reply = w.Exchange(Bytes(jpeg.begin() + at, jpeg.begin() + end));
        if (end < jpeg.size())
            ASSERT_TRUE(reply.empty()) << "no answer before the last byte";
        else
            EXPECT_EQ(reply, SigReplyOf(1, {0}));
    }
    EXPECT_EQ(SimRequests(*w.cam).back().size(), 17u + jpeg.size());
    EXPECT_EQ(SimImageCount(*w.cam), 3);
    EXPECT_EQ(SimImage(*w.cam, 3), jpeg);
    EXPECT_FALSE(SimThumbnail(*w.cam, 3).empty());
    EXPECT_EQ(w.Exchange(SigPacket(7)), SigReplyOf(8, {1, 1, 2, 0, 3, 1}));

    // Image data without a begin-upload first is refused.
    Bytes again = header;
    again.insert(again.end(), jpeg.begin(), jpeg.end());
    EXPECT_EQ(w.Exchange(again), SigReplyOf(1, {2}));
    EXPECT_EQ(SimImageCount(*w.cam), 3);
    EXPECT_EQ(w.Exchange(SigPacket(21, {4})), SigReplyOf(1, {2}));
}

TEST(SimSignature, UploadBeyondTheMemoryLimitAnswersFull) {
    SimConfig cfg = Wire::Model(1, 2);
    Wire probe(cfg);
    const Bytes jpeg = SimImage(*probe.cam, 1);
    cfg.memory_limit = static_cast<uint32_t>(SimImage(*probe.cam, 1).size() +
                                             SimImage(*probe.cam, 2).size() + jpeg.size() - 1);
    Wire w(cfg);
    Bytes packet = SigPacket(0, jpeg);
    EXPECT_EQ(w.Exchange(SigPacket(21, {2})), SigReplyOf(1, {0}));
    EXPECT_EQ(w.Exchange(packet), SigReplyOf(1, {4}));
    EXPECT_EQ(SimImageCount(*w.cam), 2);
    // One byte more room and it fits.
    cfg.memory_limit += 1;
    Wire w2(cfg);
    EXPECT_EQ(w2.Exchange(SigPacket(21, {2})), SigReplyOf(1, {0}));
    EXPECT_EQ(w2.Exchange(packet), SigReplyOf(1, {0}));
    EXPECT_EQ(SimImageCount(*w2.cam), 3);
}

TEST(SimSignature, GarbageBeforeARequestIsSkipped) {
    Wire w(Wire::Model(1, 1));
    Bytes noisy = {0x00, 0x13, 'Z', 'E', 'X'};
    const Bytes identify = SigPacket(2);
    noisy.insert(noisy.end(), identify.begin(), identify.end());
    EXPECT_EQ(w.Exchange(noisy), SigReplyOf(3, {'D', 'S', 'C', '1'}));
    // A model-1 camera does not know sequenced frames.
    EXPECT_TRUE(w.Exchange(kImageCountRequest).empty());
    EXPECT_EQ(w.Exchange(identify), SigReplyOf(3, {'D', 'S', 'C', '1'}));
}

TEST(SimSignature, RequestSplitOverWritesIsServedWhenComplete) {
    Wire w(Wire::Model(1, 1));
    const Bytes identify = SigPacket(2);
    for (size_t i = 0; i + 1 < identify.size(); ++i) EXPECT_TRUE(w.Exchange({identify[i]}).empty());
    EXPECT_EQ(w.Exchange({identify.back()}), SigReplyOf(3, {'D', 'S', 'C', '1'}));
}

struct FakeTime : TimeSource {
    uint32_t now = 0;
    uint32_t TickCount() override { return now; }
    void Sleep(uint32_t ms) override { now += ms; }
};

TEST(SimSignature, StaleHalfRequestIsDropped) {
    FakeTime clock;
    Platform p = Plat();
    p.time = &clock;
    ScopedPlatform scoped(p);
    Wire w(Wire::Model(1, 1));
    const Bytes identify = SigPacket(2);
    EXPECT_TRUE(w.Exchange(Bytes(identify.begin(), identify.begin() + 10)).empty());
    clock.now += 5000;
    EXPECT_EQ(w.Exchange(identify), SigReplyOf(3, {'D', 'S', 'C', '1'}));
}

TEST(SimSequenced, ImageCountLittleEndian) {
    Wire w(Wire::Model(2, 3));
    EXPECT_EQ(kImageCountRequest, SeqFrame(7));
    const Bytes expected = {0x08, 0x00, 0xFF, 0x08, 3, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x0A, 0x00};
    EXPECT_EQ(w.Exchange(kImageCountRequest), expected);

    Wire big(Wire::Model(3, 258));
    EXPECT_EQ(big.Exchange(kImageCountRequest), SeqFrame(8, {0x02, 0x01}));
}

TEST(SimSequenced, RepliesCarryTheRequestSequence) {
    Wire w(Wire::Model(2, 2));
    EXPECT_EQ(w.Exchange(SeqFrame(16, {0}, 0x37)), Ack(0, true, 0x37));
    EXPECT_EQ(w.Exchange(SeqFrame(7, {}, 200)), SeqFrame(8, {2, 0}, 200));
}

TEST(SimSequenced, ImageSizeAndBlocks) {
    Wire w(Wire::Model(2, 3));
    const Bytes& image = SimImage(*w.cam, 2);
    const uint32_t n = static_cast<uint32_t>(image.size());
    const Bytes size = w.Exchange(SeqFrame(26, {2}));
    EXPECT_EQ(size, SeqFrame(29, {static_cast<uint8_t>(n), static_cast<uint8_t>(n >> 8),
                                  static_cast<uint8_t>(n >> 16), static_cast<uint8_t>(n >> 24)}));
    // The PC's counters advance from 0 per block, past 255 if need be.
    EXPECT_EQ(ReadSeqBlocks(w, n, 0), image);
    const uint16_t past = static_cast<uint16_t>((n + 1023) / 1024);
    EXPECT_EQ(
        w.Exchange(SeqFrame(30, {static_cast<uint8_t>(past), static_cast<uint8_t>(past >> 8)}, 9)),
        Ack(2, true, 9));

    EXPECT_EQ(w.Exchange(SeqFrame(26, {4})), SeqFrame(29, {0, 0, 0, 0}));
    EXPECT_EQ(w.Exchange(SeqFrame(30, {0, 0})), Ack(2, true));
}

TEST(SimSequenced, ThumbnailSizeBlocksAndMissingThumbnail) {
    Wire w(Wire::Model(3, 3));
    const Bytes& thumb = SimThumbnail(*w.cam, 3);
    ASSERT_GT(thumb.size(), 1024u);
    const uint32_t n = static_cast<uint32_t>(thumb.size());
    EXPECT_EQ(w.Exchange(SeqFrame(22, {3, 0, 0, 0})),
              SeqFrame(29, {static_cast<uint8_t>(n), static_cast<uint8_t>(n >> 8), 0, 0}));
    EXPECT_EQ(ReadSeqBlocks(w, n, 250), thumb);

    EXPECT_EQ(w.Exchange(SeqFrame(22, {4, 0, 0, 0})), Ack(6, true));
    EXPECT_EQ(w.Exchange(SeqFrame(30, {0, 0}, 1)), Ack(6, true, 1));
    EXPECT_EQ(w.Exchange(SeqFrame(22, {3, 0, 0, 1})), Ack(6, true)) << "all four bytes count";
}

TEST(SimSequenced, DeleteRenumbers) {
    Wire w(Wire::Model(2, 4));
    const Bytes img3 = SimImage(*w.cam, 3), img4 = SimImage(*w.cam, 4);
    const Bytes th4 = SimThumbnail(*w.cam, 4);
    EXPECT_EQ(w.Exchange(SeqFrame(17, {2})), Ack(0, true));
    EXPECT_EQ(SimImageCount(*w.cam), 3);
    EXPECT_EQ(SimImage(*w.cam, 2), img3);
    EXPECT_EQ(SimImage(*w.cam, 3), img4);
    EXPECT_EQ(SimThumbnail(*w.cam, 3), th4);
    EXPECT_EQ(w.Exchange(kImageCountRequest), SeqFrame(8, {3, 0}));
    const uint32_t n = static_cast<uint32_t>(img4.size());
    EXPECT_EQ(w.Exchange(SeqFrame(26, {3}))[4], static_cast<uint8_t>(n));
    EXPECT_EQ(w.Exchange(SeqFrame(17, {4})), Ack(2, true));
    EXPECT_EQ(w.Exchange(SeqFrame(17, {0})), Ack(2, true));
}

TEST(SimSequenced, UploadInLongFramesAckedWithSequenceZero) {
    Wire w(Wire::Model(2, 1));
    Bytes jpeg = SimImage(*w.cam, 1);
    jpeg.resize(2049);  // three frames, the last with one byte
    jpeg.back() = 0xD9;
    const uint32_t n = static_cast<uint32_t>(jpeg.size());
    EXPECT_EQ(
        w.Exchange(SeqFrame(21, {static_cast<uint8_t>(n), static_cast<uint8_t>(n >> 8), 0, 0})),
        Ack(0, true));
    for (uint32_t i = 0; i < 3; ++i) {
        Bytes block(jpeg.begin() + i * 1024, jpeg.begin() + std::min<size_t>(n, (i + 1) * 1024));
        EXPECT_EQ(w.Exchange(SeqFrame(5, block, static_cast<uint8_t>(i), 1)), Ack(0, true, 0));
        EXPECT_EQ(SimImageCount(*w.cam), i < 2 ? 1 : 2);
    }
    EXPECT_EQ(SimImage(*w.cam, 2), jpeg);

    // Blocks out of order, without a begin, or in a short frame are refused.
    EXPECT_EQ(w.Exchange(SeqFrame(5, {0xFF, 0xD8}, 0, 1)), Ack(2, true));
    EXPECT_EQ(w.Exchange(SeqFrame(21, {0, 8, 0, 0})), Ack(0, true));
    EXPECT_EQ(w.Exchange(SeqFrame(5, {0xFF, 0xD8}, 1, 1)), Ack(2, true, 0));
    EXPECT_EQ(w.Exchange(SeqFrame(21, {0, 8, 0, 0})), Ack(0, true));
    EXPECT_EQ(w.Exchange(SeqFrame(5, {0xFF, 0xD8}, 0, 8)), Ack(2, true));
    EXPECT_EQ(w.Exchange(SeqFrame(21, {0, 0, 0, 0})), Ack(2, true));
    EXPECT_EQ(SimImageCount(*w.cam), 2);
}

TEST(SimSequenced, BeginUploadBeyondTheMemoryLimitAnswersFull) {
    SimConfig cfg = Wire::Model(2, 1);
    Wire probe(cfg);
    const uint32_t used = static_cast<uint32_t>(SimImage(*probe.cam, 1).size());
    cfg.memory_limit = used + 1000;
    Wire w(cfg);
    EXPECT_EQ(w.Exchange(SeqFrame(21, {0xE9, 0x03, 0, 0})), Ack(4, true));  // 1001 bytes
    EXPECT_EQ(w.Exchange(SeqFrame(21, {0xE8, 0x03, 0, 0})), Ack(0, true));  // 1000 bytes
}

TEST(SimSequenced, ClockSelectorsOfModelTwo) {
    Wire w(Wire::Model(2, 1));
    SimSetClock(*w.cam, 2003, 7, 4, 18, 5);
    EXPECT_EQ(w.Exchange(SeqFrame(53, {0xC0})), SeqFrame(54, {0xD3, 0x07}));
    EXPECT_EQ(w.Exchange(SeqFrame(53, {0xC1})), SeqFrame(54, {4, 7}));
    EXPECT_EQ(w.Exchange(SeqFrame(53, {0xC2})), SeqFrame(54, {5, 18}));
    EXPECT_EQ(w.Exchange(SeqFrame(53, {0x40, 1})), Ack(2, true)) << "model-3 selector";
    EXPECT_EQ(w.Exchange(SeqFrame(53, {0xC3})), Ack(2, true));

    EXPECT_EQ(w.Exchange(SeqFrame(52, {0xC0, 0, 0xD0, 0x07})), Ack(0, true));  // 2000
    EXPECT_EQ(w.Exchange(SeqFrame(52, {0xC1, 0, 29, 2})), Ack(0, true));       // 29 February
    EXPECT_EQ(w.Exchange(SeqFrame(52, {0xC2, 0, 59, 23})), Ack(0, true));
    int y, mo, d, h, mi;
    SimGetClock(*w.cam, &y, &mo, &d, &h, &mi);
    EXPECT_EQ(y, 2000);
    EXPECT_EQ(mo, 2);
    EXPECT_EQ(d, 29);
    EXPECT_EQ(h, 23);
    EXPECT_EQ(mi, 59);

    EXPECT_EQ(w.Exchange(SeqFrame(52, {0xC0, 1, 0xD0, 0x07})), Ack(2, true)) << "variant flag";
    EXPECT_EQ(w.Exchange(SeqFrame(52, {0xC1, 0, 31, 4})), Ack(2, true));
    EXPECT_EQ(w.Exchange(SeqFrame(52, {0xC1, 0, 1, 13})), Ack(2, true));
    EXPECT_EQ(w.Exchange(SeqFrame(52, {0xC2, 0, 60, 1})), Ack(2, true));
    EXPECT_EQ(w.Exchange(SeqFrame(52, {0xC2, 0, 0, 24})), Ack(2, true));
    SimGetClock(*w.cam, &y, &mo, &d, &h, &mi);
    EXPECT_EQ(mo, 2);
    EXPECT_EQ(h, 23);
}

TEST(SimSequenced, ClockSelectorsOfModelThree) {
    Wire w(Wire::Model(3, 1));
    SimSetClock(*w.cam, 2010, 12, 31, 0, 0);
    EXPECT_EQ(w.Exchange(SeqFrame(53, {0x40, 1})), SeqFrame(54, {0xDA, 0x07}));
    EXPECT_EQ(w.Exchange(SeqFrame(53, {0x41, 1})), SeqFrame(54, {31, 12}));
    EXPECT_EQ(w.Exchange(SeqFrame(53, {0x42, 1})), SeqFrame(54, {0, 0}));
    EXPECT_EQ(w.Exchange(SeqFrame(53, {0x40})), Ack(2, true)) << "model 3 reads with the 1";
    EXPECT_EQ(w.Exchange(SeqFrame(53, {0xC0})), Ack(2, true));
    EXPECT_EQ(w.Exchange(SeqFrame(52, {0x42, 1, 30, 12})), Ack(0, true));
    EXPECT_EQ(w.Exchange(SeqFrame(52, {0x42, 0, 30, 12})), Ack(2, true));
    int y, mo, d, h, mi;
    SimGetClock(*w.cam, &y, &mo, &d, &h, &mi);
    EXPECT_EQ(h, 12);
    EXPECT_EQ(mi, 30);
}

TEST(SimSequenced, ModelProbe) {
    Wire w3(Wire::Model(3, 1));
    EXPECT_EQ(w3.Exchange(SeqFrame(56, {14, 0})), SeqFrame(54, {0xFF, 0xFF}));
    Wire w2(Wire::Model(2, 1));
    const Bytes reply = w2.Exchange(SeqFrame(56, {14, 0}));
    ASSERT_EQ(reply.size(), 16u);
    EXPECT_EQ(reply[3], 54);
    EXPECT_FALSE(reply[4] == 0xFF && reply[5] == 0xFF);
    EXPECT_EQ(w2.Exchange(SeqFrame(56, {15, 0})), Ack(2, true));
}

TEST(SimSequenced, PlayModeUnknownCommandsAndDamagedFrames) {
    Wire w(Wire::Model(2, 1));
    EXPECT_EQ(w.Exchange(SeqFrame(16, {0})), Ack(0, true));
    EXPECT_EQ(w.Exchange(SeqFrame(16, {1})), Ack(2, true));
    EXPECT_EQ(w.Exchange(SeqFrame(99)), Ack(2, true));
    EXPECT_EQ(w.Exchange(SeqFrame(7, {}, 0, 1)), Ack(2, true)) << "a count in a long frame";
    EXPECT_EQ(w.Exchange(SeqFrame(20, {1})), Ack(2, true)) << "no viewfinder on model 2";

    Bytes bad = kImageCountRequest;
    bad[14] = 0x07;
    EXPECT_EQ(w.Exchange(bad), Ack(3, true));
    // Noise that is no frame header is skipped.
    Bytes noisy = {0xAA, 0x08, 0x01, 0x02};
    noisy.insert(noisy.end(), kImageCountRequest.begin(), kImageCountRequest.end());
    EXPECT_EQ(w.Exchange(noisy), SeqFrame(8, {1, 0}));
}

}  // namespace
