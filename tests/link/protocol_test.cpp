#include <gtest/gtest.h>

#include <cstring>

#include "base/messages.h"
#include "link/port.h"
#include "link/protocol.h"
#include "support/fakes.h"
#include "support/scripted_port.h"

namespace {

using Bytes = std::vector<uint8_t>;
const char* kCannotAccess =
    "Cannot access Camera.\nMake sure Camera is turned on and properly connected.";
const char* kDataError = "Data error has occurred.";

struct ProtocolTest : ::testing::Test {
    FakePlatform fp;
    ScriptedDriver driver;
    CameraLink s;
    ScriptedLine& line = driver.line;
    void SetUp() override {
        SetPacedWrite(false);
        s.driver = &driver;
        ASSERT_EQ(OpenPort(s), kLinkOk);
    }
    Bytes Ack(uint8_t status = 0) { return SigReply(kReplyAck, {status}); }
    Bytes SeqAck(uint8_t status = 0, uint8_t seq = 0) { return SeqReply(8, seq, 1, {status}); }
};

TEST_F(ProtocolTest, SequencedImageCountRequestIsByteExact) {
    line.replies = {SeqReply(8, 0, 8, {5, 1})};
    uint32_t count = 0;
    ASSERT_EQ(SeqImageCount(s, &count), kLinkOk);
    EXPECT_EQ(count, 261u);
    ASSERT_EQ(line.requests.size(), 1u);
    EXPECT_EQ(line.requests[0],
              (Bytes{0x08, 0x00, 0xFF, 0x07, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x06, 0x00}));
}

TEST_F(ProtocolTest, SignatureSetSpeedRequestIsByteExact) {
    line.replies = {Ack()};
    ASSERT_EQ(SigSetSpeed(s, kBaud38400Code), kLinkOk);
    Bytes expected = {'Z', 'E', 'K', ' ', 'D', 'S', 'C', ' ', 'P', 'C', ' ', ' ', 0, 0, 0, 1, 4, 1};
    ASSERT_EQ(line.requests.size(), 1u);
    EXPECT_EQ(line.requests[0], expected);
}

TEST_F(ProtocolTest, SignatureBlockGoesStraightToItsPlaceInTheImage) {
    // Blocks 0..258; only the last one is checked for its place.
    ASSERT_TRUE(s.image.Allocate(259 * kBlockSize));
    Bytes block(1024);
    for (size_t i = 0; i < block.size(); ++i) block[i] = uint8_t(i * 7 + 3);
    for (int i = 0; i < 258; ++i) line.replies.push_back(SigReply(0, Bytes(1024, 0)));
    line.replies.push_back(SigReply(0, block));
    ASSERT_EQ(SigReadBlocks(s, 259, true), kLinkOk);
    const Bytes& last = line.requests.back();
    ASSERT_EQ(last.size(), 19u);
    EXPECT_EQ(last[16], 30);
    EXPECT_EQ(last[17], 0x01);
    EXPECT_EQ(last[18], 0x02);
    EXPECT_EQ(0, std::memcmp(s.image.data() + 264192, block.data(), 1024));
    EXPECT_EQ(fp.view.positions.size(), 259u);
    EXPECT_EQ(fp.view.positions.back(), 259u);
    EXPECT_FALSE(s.last_block_empty);
}

TEST_F(ProtocolTest, SignatureLastBlockWithoutDataIsRecorded) {
    ASSERT_TRUE(s.image.Allocate(2 * kBlockSize));
    std::memset(s.image.data(), 0xAA, s.image.size());
    line.replies = {SigReply(0, Bytes(1024, 1)), SigReply(0, {})};
    ASSERT_EQ(SigReadBlocks(s, 2, false), kLinkOk);
    EXPECT_TRUE(s.last_block_empty);
    EXPECT_EQ(s.image.data()[1024], 0xAA);  // untouched
    EXPECT_TRUE(fp.view.positions.empty());
}

TEST_F(ProtocolTest, SignatureReplyDataIsCappedAt239Bytes) {
    Bytes data(300);
    for (size_t i = 0; i < data.size(); ++i) data[i] = uint8_t(i);
    line.replies = {SigReply(8, data), Ack()};
    ASSERT_EQ(SigImageList(s), kLinkOk);
    EXPECT_EQ(s.reply_data_length, 300u);
    EXPECT_EQ(s.reply[17 + 238], 238);
    EXPECT_EQ(s.reply[17 + 239], 0);  // nothing past the cap was taken
    // The surplus is purged before the next exchange, which reads its own reply.
    EXPECT_EQ(line.input.size(), 300u - 239u);
    ASSERT_EQ(SigPlayMode(s), kLinkOk);
}

TEST_F(ProtocolTest, SequencedReceiverResynchronisesInStepsOfFour) {
    Bytes reply = {0x33, 0x44, 0x55, 0x66};  // not a header
    Bytes frame = SeqReply(8, 0, 8, {3, 0});
    reply.insert(reply.end(), frame.begin(), frame.end());
    line.replies = {reply};
    uint32_t count = 0;
    ASSERT_EQ(SeqImageCount(s, &count), kLinkOk);
    EXPECT_EQ(count, 3u);
}

TEST_F(ProtocolTest, WrongComplementEndsTheOperationWithoutRetry) {
    // A frame whose sequence and complement agree with each other (so the receiver takes it)
    // but not with the expected sequence.
    Bytes bad = SeqReply(8, 5, 1, {0});
    line.replies = {bad, SeqAck(), SeqAck()};
    EXPECT_EQ(SeqPlayMode(s), kLinkBadFrame);
    EXPECT_EQ(line.requests.size(), 1u);
    EXPECT_EQ(fp.prompts.Texts(), std::vector<std::string>{kDataError});
}

TEST_F(ProtocolTest, SignatureMemoryFullOnDeleteIsNotRetried) {
    line.replies = {Ack(4), Ack(), Ack()};
    EXPECT_EQ(SigDeleteImage(s, 3), kLinkMemoryFull);
    EXPECT_EQ(line.requests.size(), 1u);
    EXPECT_EQ(fp.prompts.Texts(), std::vector<std::string>{"Camera memory is full."});
    EXPECT_EQ(line.requests[0][17], 3);
}

TEST_F(ProtocolTest, SignatureStatusTable) {
    struct Case {
        uint8_t status;
        LinkError code;
        const char* message;
    };
    for (Case c :
         {Case{2, 90, "Command cannot be executed."}, Case{5, 93, "Camera error has occurred."},
          Case{9, -1, "Camera error has occurred."}, Case{3, 33, nullptr}, Case{1, 34, nullptr}}) {
        fp.prompts.boxes.clear();
        line.requests.clear();
        line.replies = {Ack(c.status), Ack(c.status), Ack(c.status)};
        EXPECT_EQ(SigShowOnViewfinder(s, 1), c.code);
        // Retried on time-outs only: every status ends the command at once.
        EXPECT_EQ(line.requests.size(), 1u);
        if (c.message)
            EXPECT_EQ(fp.prompts.Texts(), std::vector<std::string>{c.message});
        else
            EXPECT_TRUE(fp.prompts.boxes.empty());
    }
    // Play mode retries "not done" and "data error" and then gives up.
    fp.prompts.boxes.clear();
    line.requests.clear();
    line.replies = {Ack(1), Ack(3), Ack(1)};
    EXPECT_EQ(SigPlayMode(s), kLinkNotDone);
    EXPECT_EQ(line.requests.size(), 3u);
    EXPECT_EQ(fp.prompts.Texts(), std::vector<std::string>{kCannotAccess});
}

TEST_F(ProtocolTest, TimeoutsRetryThenShowCannotAccess) {
    uint32_t start = fp.clock.now;
    EXPECT_EQ(SigPlayMode(s), kLinkTimeout);
    EXPECT_EQ(line.requests.size(), 3u);
    EXPECT_EQ(fp.prompts.Texts(), std::vector<std::string>{kCannotAccess});
    // Three attempts of 8000 ms each.
    EXPECT_GE(fp.clock.now - start, 3u * 8000u);
    EXPECT_LT(fp.clock.now - start, 3u * 8000u + 100u);
}

TEST_F(ProtocolTest, SetSpeedGivesUpSilently) {
    EXPECT_EQ(SigSetSpeed(s, 1), kLinkTimeout);
    EXPECT_EQ(line.requests.size(), 3u);
    EXPECT_TRUE(fp.prompts.boxes.empty());
}

TEST_F(ProtocolTest, BlockReadSurvivesTwoTimeoutsWithoutAMessage) {
    ASSERT_TRUE(s.image.Allocate(2 * kBlockSize));
    line.replies = {SeqReply(1, 0, 5, Bytes(1024, 9)), {}, {}, SeqReply(1, 1, 5, Bytes(1024, 7))};
    ASSERT_EQ(SeqReadBlocks(s, 2, false), kLinkOk);
    EXPECT_TRUE(fp.prompts.boxes.empty());
    ASSERT_EQ(line.requests.size(), 4u);
    // The send sequence advanced once, after the first good block; the retries repeat it.
    EXPECT_EQ(line.requests[1][1], 1);
    EXPECT_EQ(line.requests[3][1], 1);
    EXPECT_EQ(line.requests[3][4], 1);  // block index, little-endian
    EXPECT_EQ(s.image.data()[0], 9);
    EXPECT_EQ(s.image.data()[1024], 7);
    EXPECT_EQ(fp.view.positions, (std::vector<uint32_t>{1, 2}));
}

TEST_F(ProtocolTest, DamagedBlocksAreReadAgainAndOnlyTheThirdSaysSo) {
    ASSERT_TRUE(s.image.Allocate(kBlockSize));
    Bytes damaged = SeqReply(1, 0, 5, Bytes(1024, 9));
    damaged[1028] ^= 0xFF;
    line.replies = {damaged, damaged, SeqReply(1, 0, 5, Bytes(1024, 9))};
    ASSERT_EQ(SeqReadBlocks(s, 1, false), kLinkOk);
    EXPECT_TRUE(fp.prompts.boxes.empty());
    line.replies = {damaged, damaged, damaged};
    EXPECT_EQ(SeqReadBlocks(s, 1, false), kLinkBadFrame);
    EXPECT_EQ(fp.prompts.Texts(),
              (std::vector<std::string>{kDataError,
                                        "Unexpected error has occurred during image transfer."}));
}

TEST_F(ProtocolTest, BlockReadThatFailsThreeTimesReportsTheTransferError) {
    ASSERT_TRUE(s.image.Allocate(kBlockSize));
    Bytes wrong_code = SeqReply(1, 0, 6, Bytes(1024, 0));
    line.replies = {wrong_code, wrong_code, wrong_code};
    EXPECT_EQ(SeqReadBlocks(s, 1, false), kLinkBadReplyCode);
    // The check's own message only on the third attempt, then the transfer error.
    EXPECT_EQ(fp.prompts.Texts(),
              (std::vector<std::string>{kDataError,
                                        "Unexpected error has occurred during image transfer."}));
}

TEST_F(ProtocolTest, BlockReadEndsAtOnceOnAnExchangeFailure) {
    ASSERT_TRUE(s.image.Allocate(2 * kBlockSize));
    line.fail_status = true;
    EXPECT_EQ(SeqReadBlocks(s, 2, false), kLinkDriverState);
    EXPECT_EQ(line.requests.size(), 1u);
}

TEST_F(ProtocolTest, ThumbnailStatusSixIsNoThumbnailWithoutMessage) {
    line.replies = {SeqAck(6)};
    uint32_t size = 1;
    EXPECT_EQ(SeqThumbnailSize(s, 7, &size), kLinkNoImage);
    EXPECT_EQ(line.requests[0][3], 22);
    EXPECT_EQ(line.requests[0][4], 7);
    ASSERT_TRUE(s.image.Allocate(kBlockSize));
    line.replies = {SeqAck(6)};
    EXPECT_EQ(SeqReadBlocks(s, 1, true), kLinkNoImage);
    EXPECT_TRUE(fp.prompts.boxes.empty());
}

TEST_F(ProtocolTest, ChecksumRulesDifferByReplyKind) {
    Bytes ack = SeqAck();
    ack[14] ^= 0xFF;
    line.replies = {ack};
    EXPECT_EQ(SeqSetClockField(s, 0xC0, 0, 2001), kLinkDataError);  // quiet 33, not retried
    EXPECT_TRUE(fp.prompts.boxes.empty());
    EXPECT_EQ(line.requests.size(), 1u);
    Bytes size = SeqReply(8, 0, 29, {0, 4, 0, 0});
    size[14] ^= 0x01;
    line.replies = {size};
    uint32_t n = 0;
    EXPECT_EQ(SeqImageSize(s, 1, &n), kLinkBadFrame);
    EXPECT_EQ(fp.prompts.Texts(), std::vector<std::string>{kDataError});
}

// A delete is not idempotent: after a lost or garbled reply the camera's count decides
// whether it was carried out, and only a delete that was not is sent again.
TEST_F(ProtocolTest, DeleteWithALostReplyIsSettledByTheCount) {
    auto deletes = [&](uint8_t command) {
        int n = 0;
        for (const Bytes& r : line.requests) n += r.size() >= 17 && r[0] == 'Z' && r[16] == command;
        return n;
    };
    s.model = 1;
    s.image_count = 4;
    // Lost, and the list shows 3 images: done, not sent again.
    line.replies = {Bytes{}, SigReply(8, {1, 0, 2, 0, 3, 1})};
    EXPECT_EQ(SigDeleteImage(s, 3), kLinkOk);
    EXPECT_EQ(deletes(17), 1);
    EXPECT_TRUE(fp.prompts.boxes.empty());

    // Lost, and the list still shows 4: not done, so the delete goes out again.
    line.requests.clear();
    line.replies = {Bytes{}, SigReply(8, {1, 0, 2, 0, 3, 1, 4, 1}), Ack()};
    EXPECT_EQ(SigDeleteImage(s, 3), kLinkOk);
    EXPECT_EQ(deletes(17), 2);

    // Garbled and not done: "Data error" and no second delete.
    line.requests.clear();
    Bytes garbled = Ack();
    garbled[0] = 'X';
    line.replies = {garbled, SigReply(8, {1, 0, 2, 0, 3, 1, 4, 1})};
    EXPECT_EQ(SigDeleteImage(s, 3), kLinkBadFrame);
    EXPECT_EQ(deletes(17), 1);
    EXPECT_EQ(fp.prompts.Texts(), std::vector<std::string>{kDataError});

    // Lost, and the camera answers nothing more: nobody can tell, so nothing is sent again.
    fp.prompts.boxes.clear();
    line.requests.clear();
    line.replies = {};
    EXPECT_EQ(SigDeleteImage(s, 3), kLinkTimeout);
    EXPECT_EQ(deletes(17), 1);
    EXPECT_EQ(fp.prompts.Texts(), std::vector<std::string>{kCannotAccess});

    // A whole acknowledgement decides by itself: status 4 is never retried.
    fp.prompts.boxes.clear();
    line.requests.clear();
    line.replies = {Ack(4)};
    EXPECT_EQ(SigDeleteImage(s, 3), kLinkMemoryFull);
    EXPECT_EQ(line.requests.size(), 1u);
    EXPECT_EQ(fp.prompts.Texts(), std::vector<std::string>{"Camera memory is full."});
}

TEST_F(ProtocolTest, SequencedDeleteWithALostReplyIsSettledByTheCount) {
    s.model = 2;
    s.image_count = 4;
    Bytes bad_sum = SeqAck();
    bad_sum[14] ^= 0xFF;
    // A checksum-damaged acknowledgement, then a count of 3: done.
    line.replies = {bad_sum, SeqReply(8, 0, 8, {3, 0})};
    EXPECT_EQ(SeqDeleteImage(s, 3), kLinkOk);
    ASSERT_EQ(line.requests.size(), 2u);
    EXPECT_EQ(line.requests[1][3], 7);  // the count request
    EXPECT_TRUE(fp.prompts.boxes.empty());
    // Three lost replies with the count unchanged each time: three deletes, then the final
    // message.
    line.requests.clear();
    line.replies = {Bytes{}, SeqReply(8, 0, 8, {4, 0}), Bytes{}, SeqReply(8, 0, 8, {4, 0}),
                    Bytes{}, SeqReply(8, 0, 8, {4, 0})};
    EXPECT_EQ(SeqDeleteImage(s, 3), kLinkTimeout);
    EXPECT_EQ(line.requests.size(), 6u);
    EXPECT_EQ(fp.prompts.Texts(), std::vector<std::string>{kCannotAccess});
    // The last image going leaves a count of 0, which is no error here.
    fp.prompts.boxes.clear();
    s.image_count = 1;
    line.replies = {Bytes{}, SeqReply(8, 0, 8, {0, 0})};
    EXPECT_EQ(SeqDeleteImage(s, 1), kLinkOk);
    EXPECT_TRUE(fp.prompts.boxes.empty());
}

TEST_F(ProtocolTest, UploadWhoseAnswerIsLostCountsAsStoredWhenTheCountGrew) {
    Bytes image(600, 0x11);
    s.model = 1;
    s.image_count = 2;
    line.replies = {Bytes{}, SigReply(8, {1, 0, 2, 0, 3, 1})};
    EXPECT_EQ(SigUploadData(s, image.data(), 600), kLinkOk);
    EXPECT_TRUE(fp.prompts.boxes.empty());
    line.replies = {Bytes{}, SigReply(8, {1, 0, 2, 0})};
    EXPECT_EQ(SigUploadData(s, image.data(), 600), kLinkTimeout);
    EXPECT_EQ(fp.prompts.Texts(), std::vector<std::string>{kCannotAccess});

    s.model = 2;
    fp.prompts.boxes.clear();
    Bytes block(1024, 0x5A);
    line.replies = {Bytes{}, SeqReply(8, 0, 8, {3, 0})};
    EXPECT_EQ(SeqUploadBlock(s, 0, block.data(), true), kLinkOk);
    // A block before the last one stores nothing: its lost answer is a failure at once.
    line.requests.clear();
    line.replies = {Bytes{}};
    EXPECT_EQ(SeqUploadBlock(s, 0, block.data(), false), kLinkTimeout);
    EXPECT_EQ(line.requests.size(), 1u);
    EXPECT_EQ(fp.prompts.Texts(), std::vector<std::string>{kCannotAccess});
}

// A reply wait never spins: with nothing to read it blocks in the port's wait (in slices, so
// that window messages and the deadline are still looked at), or, where the port cannot wait,
// in the message pump's wait a millisecond at a time.
TEST_F(ProtocolTest, ReplyWaitsBlockInsteadOfSpinning) {
    line.can_wait = true;
    line.replies = {Bytes{}};
    uint32_t count = 0;
    const uint64_t reads_before = fp.clock.total_reads;
    EXPECT_EQ(SeqImageCountQuiet(s, &count), kLinkTimeout);
    // Three attempts of 2000 ms, in slices of at most 50 ms.
    EXPECT_GE(line.waits.size(), 3u * 40u);
    EXPECT_LE(line.waits.size(), 3u * 42u);
    for (uint32_t w : line.waits) EXPECT_LE(w, 50u);
    EXPECT_LT(fp.clock.total_reads - reads_before, 3u * 3u * 42u);

    // Part of a frame header is there: the rest is waited for in the pump, a millisecond at a
    // time (the port would report input at once and never block).
    line.waits.clear();
    Bytes part = SeqReply(8, 0, 8, {3, 0});
    part.resize(2);
    line.replies = {part};
    fp.clock.sleeps.clear();
    EXPECT_EQ(SendSequenced(s, kFrameShort, 0, kSeqImageCount, nullptr, 0, 2000), kLinkTimeout);
    EXPECT_TRUE(line.waits.empty());
    ASSERT_FALSE(fp.clock.sleeps.empty());
    for (const FakeClock::Nap& n : fp.clock.sleeps) EXPECT_EQ(n.ms, 1u);
}

TEST_F(ProtocolTest, SizesAndCountsOfZero) {
    line.replies = {SeqReply(8, 0, 8, {0, 0})};
    uint32_t n = 0;
    EXPECT_EQ(SeqImageCount(s, &n), kLinkNoImage);
    EXPECT_EQ(fp.prompts.Texts(), std::vector<std::string>{"This Camera has no stored images."});
    line.replies = {SeqReply(8, 0, 29, {0, 0, 0, 0})};
    EXPECT_EQ(SeqImageSize(s, 2, &n), kLinkZeroSize);
    line.replies = {SeqReply(8, 0, 29, {0x01, 0x04, 0, 0})};
    EXPECT_EQ(SeqImageSize(s, 2, &n), kLinkOk);
    EXPECT_EQ(n, 1025u);
    line.replies = {SigReply(29, {0, 1, 0, 2})};
    EXPECT_EQ(SigImageSize(s, 2, &n), kLinkOk);
    EXPECT_EQ(n, 65538u);
}

TEST_F(ProtocolTest, IdentifyChecksTheModelText) {
    int digit = 0;
    line.replies = {SigReply(3, {'D', 'S', 'C', '2'})};
    ASSERT_EQ(SigIdentify(s, &digit), kLinkOk);
    EXPECT_EQ(digit, 2);
    Bytes bad = SigReply(3, {'D', 'S', 'C', '7'});
    line.replies = {bad, bad, bad};
    EXPECT_EQ(SigIdentify(s, &digit), kLinkDataError);
    EXPECT_EQ(fp.prompts.Texts(),
              (std::vector<std::string>{kDataError, kDataError, kDataError, kCannotAccess}));
    fp.prompts.boxes.clear();
    line.replies = {SigReply(3, {'D', 'S', 'C'})};
    EXPECT_EQ(SigIdentify(s, &digit), kLinkBadLength);
    Bytes wrong_signature = SigReply(3, {'D', 'S', 'C', '1'});
    wrong_signature[0] = 'X';
    line.replies = {wrong_signature};
    EXPECT_EQ(SigIdentify(s, &digit), kLinkBadFrame);
}

TEST_F(ProtocolTest, AutoSetupVariantsAreQuietAndShorter) {
    int digit = 0;
    EXPECT_EQ(SigSetSpeedAuto(s, 2), kLinkTimeout);
    EXPECT_EQ(line.requests.size(), 2u);
    line.requests.clear();
    EXPECT_EQ(SigIdentifyAuto(s, &digit), kLinkTimeout);
    EXPECT_EQ(line.requests.size(), 3u);
    EXPECT_TRUE(fp.prompts.boxes.empty());
    Bytes bad = SigReply(3, {'X', 'S', 'C', '1'});
    line.replies = {bad};
    line.requests.clear();
    EXPECT_EQ(SigIdentifyAuto(s, &digit), kLinkDataError);  // 33 is not retried here
    EXPECT_EQ(line.requests.size(), 1u);
    EXPECT_TRUE(fp.prompts.boxes.empty());
}

TEST_F(ProtocolTest, ClockAndProbeRequests) {
    s.send_sequence = 9;
    s.expected_sequence = 0;
    line.replies = {SeqAck(), SeqReply(8, 0, 54, {0xCF, 0x07}), SeqReply(8, 0, 54, {0x34, 0x12}),
                    SeqReply(8, 0, 54, {0xFF, 0xFF}), SeqReply(8, 0, 54, {0xFF, 0x00})};
    ASSERT_EQ(SeqSetClockField(s, 0x41, 1, 0x0C1F), kLinkOk);
    EXPECT_EQ(Bytes(line.requests[0].begin() + 3, line.requests[0].begin() + 8),
              (Bytes{52, 0x41, 1, 0x1F, 0x0C}));
    uint16_t v = 0;
    ASSERT_EQ(SeqReadClockField(s, 0xC0, false, &v), kLinkOk);
    EXPECT_EQ(v, 1999);
    EXPECT_EQ(line.requests[1][4], 0xC0);
    EXPECT_EQ(line.requests[1][5], 0);
    ASSERT_EQ(SeqReadClockField(s, 0x40, true, &v), kLinkOk);
    EXPECT_EQ(line.requests[2][5], 1);
    int model = 0;
    ASSERT_EQ(SeqModelProbe(s, &model), kLinkOk);
    EXPECT_EQ(model, 3);
    EXPECT_EQ(line.requests[3][4], 14);
    ASSERT_EQ(SeqModelProbe(s, &model), kLinkOk);
    EXPECT_EQ(model, 2);
}

TEST_F(ProtocolTest, SequencedUploadBlocksCarryTheirIndexAndExpectSequenceZero) {
    Bytes block(1024, 0x5A);
    line.replies = {SeqAck(0, 0), SeqAck(0, 1)};
    ASSERT_EQ(SeqUploadBlock(s, 257, block.data()), kLinkOk);
    ASSERT_EQ(line.requests[0].size(), 1030u);
    EXPECT_EQ(line.requests[0][0], 1);
    EXPECT_EQ(line.requests[0][1], 1);  // 257 & 0xFF
    EXPECT_EQ(line.requests[0][2], 0xFE);
    EXPECT_EQ(line.requests[0][3], 5);
    EXPECT_EQ(SeqUploadBlock(s, 1, block.data()), kLinkBadFrame);  // ack with sequence 1
    line.requests.clear();
    EXPECT_EQ(SeqUploadBlock(s, 2, block.data()), kLinkTimeout);
    EXPECT_EQ(line.requests.size(), 1u);
    EXPECT_EQ(fp.prompts.Texts().back(), kCannotAccess);
}

TEST_F(ProtocolTest, SignatureUploadAnnouncesTheImageAndSendsChunks) {
    Bytes image(600);
    for (size_t i = 0; i < image.size(); ++i) image[i] = uint8_t(i);
    line.replies = {Ack()};
    ASSERT_EQ(SigUploadData(s, image.data(), 600), kLinkOk);
    EXPECT_EQ(line.write_sizes, (std::vector<uint32_t>{17, 256, 256, 88}));
    ASSERT_EQ(line.requests.size(), 1u);
    EXPECT_EQ(line.requests[0][15], 600 & 0xFF);
    EXPECT_EQ(line.requests[0][14], 600 >> 8);
    EXPECT_EQ(Bytes(line.requests[0].begin() + 17, line.requests[0].end()), image);
    EXPECT_EQ(fp.view.positions, (std::vector<uint32_t>{1, 2, 3}));
    line.write_sizes.clear();
    EXPECT_EQ(SigUploadData(s, image.data(), 600), kLinkTimeout);
    EXPECT_EQ(fp.prompts.Texts(), std::vector<std::string>{kCannotAccess});
}

TEST_F(ProtocolTest, QuitDuringAWaitIsNeverTakenAsAReply) {
    fp.pump.queue = {PumpResult::kQuit};
    line.replies = {Ack()};
    EXPECT_EQ(SigPlayMode(s), kLinkFailed);
    EXPECT_EQ(line.requests.size(), 1u);
    EXPECT_EQ(fp.pump.queue.size(), 1u);  // still posted for the message loop
}

TEST_F(ProtocolTest, WaitsDispatchMessagesAndOverrunsEndSequencedWaits) {
    fp.pump.queue = {PumpResult::kDispatched, PumpResult::kVScroll, PumpResult::kDispatched};
    line.replies = {SeqAck()};
    EXPECT_EQ(SeqPlayMode(s), kLinkOk);
    EXPECT_EQ(fp.pump.dispatched, 2);  // the scroll message was dropped
    line.line_errors = kLineOverrun;
    line.replies = {SeqAck()};
    EXPECT_EQ(SeqDeleteImage(s, 1), kLinkTimeout);
}

TEST_F(ProtocolTest, IncompleteSequencedFrameIsATimeout) {
    Bytes frame = SeqAck();
    frame.resize(10);
    line.replies = {frame, frame, frame};
    EXPECT_EQ(SeqPlayMode(s), kLinkTimeout);
    EXPECT_EQ(fp.prompts.Texts(), std::vector<std::string>{kCannotAccess});
}

TEST_F(ProtocolTest, EndSessionFollowsTheLastModel) {
    s.model = 0;
    EXPECT_EQ(EndSessionCommand(s), kLinkOk);  // nothing answers; not checked
    EXPECT_EQ(line.requests.back()[3], 31);
    EXPECT_EQ(line.requests.back().size(), 16u);
    s.model = 1;
    line.replies = {Ack()};
    EXPECT_EQ(EndSessionCommand(s), kLinkOk);
    EXPECT_EQ(line.requests.back()[16], 31);
}

}  // namespace
