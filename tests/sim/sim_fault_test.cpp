// Fault injection: each kind changes exactly the replies it names, and *N stops after N hits.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/sim/sim_wire.h"

namespace {

TEST(SimFaults, SpecsParseOrAreRefused) {
    auto cam = MakeSimCamera(Wire::Model(2, 0));
    for (const char* good :
         {"noise:7:4", "drop:30", "corrupt:2", "corrupt:7:5", "checksum:0x1E", "status:26:5",
          "noreply:16", "emptylast", "speed:13", "noreply:7*2", "status:22:6*1", "emptylast*1"})
        EXPECT_TRUE(AddSimFault(*cam, good)) << good;
    for (const char* bad :
         {"", "noise", "noise:7", "noise:7:0", "drop", "drop:256", "drop:7:1", "status:26",
          "status:26:256", "bogus:7", "speed:4", "speed", "emptylast:30", "noreply:7*0",
          "noreply:7*", "noreply:x", "drop:-1", "noreply:7*2*3"})
        EXPECT_FALSE(AddSimFault(*cam, bad)) << bad;
}

TEST(SimRecords, ACameraLeftRunningKeepsOnlyTheLatestRecords) {
    Wire w(Wire::Model(2, 1));
    const Bytes junk(64, 0x55);  // never a frame: discarded and logged, again and again
    for (size_t i = 0; i < 3 * kSimRecordsKept; ++i) w.Write(junk);
    w.Write(SeqFrame(7));
    EXPECT_LE(SimLog(*w.cam).size(), 2 * kSimRecordsKept);
    EXPECT_LE(SimRequests(*w.cam).size(), 2 * kSimRecordsKept);
    // The newest records are the ones kept.
    ASSERT_FALSE(SimRequests(*w.cam).empty());
    EXPECT_EQ(SimRequests(*w.cam).back()[3], 7);
}

TEST(SimFaults, NoiseBeforeTheReplyIsNeverAFrameHeader) {
    Wire w(Wire::Model(2, 3));
    ASSERT_TRUE(AddSimFault(*w.cam, "noise:7:4"));
    const Bytes reply = w.Exchange(SeqFrame(7));
    ASSERT_EQ(reply.size(), 20u);
    for (int i = 0; i < 4; ++i) EXPECT_TRUE(reply[i] != 1 && reply[i] != 8 && reply[i] != 16) << i;
    EXPECT_EQ(Bytes(reply.begin() + 4, reply.end()), SeqFrame(8, {3, 0}));

    Wire s(Wire::Model(1, 1));
    ASSERT_TRUE(AddSimFault(*s.cam, "noise:2:9"));
    const Bytes sig = s.Exchange(SigPacket(2));
    ASSERT_EQ(sig.size(), 30u);
    EXPECT_EQ(Bytes(sig.begin() + 9, sig.end()), SigReplyOf(3, {'D', 'S', 'C', '1'}));
    EXPECT_EQ(std::count(sig.begin(), sig.begin() + 9, 'Z'), 0);
}

TEST(SimFaults, DropCutsTheReplyShort) {
    Wire w(Wire::Model(2, 3));
    ASSERT_TRUE(AddSimFault(*w.cam, "drop:26"));
    const Bytes full = SeqFrame(29, {0, 0, 0, 0});
    const Bytes reply = w.Exchange(SeqFrame(26, {7}));
    EXPECT_LT(reply.size(), 16u);
    EXPECT_FALSE(reply.empty());
    EXPECT_TRUE(std::equal(reply.begin(), reply.end(), full.begin()));
}

TEST(SimFaults, CorruptChangesOneByte) {
    Wire w(Wire::Model(2, 3));
    ASSERT_TRUE(AddSimFault(*w.cam, "corrupt:7"));
    const Bytes good = SeqFrame(8, {3, 0});
    const Bytes reply = w.Exchange(SeqFrame(7));
    ASSERT_EQ(reply.size(), good.size());
    int differing = 0;
    for (size_t i = 0; i < reply.size(); ++i) differing += reply[i] != good[i];
    EXPECT_EQ(differing, 1);
    EXPECT_NE(reply[3], 8) << "the reply code";

    ASSERT_TRUE(AddSimFault(*w.cam, "corrupt:2"));
    const Bytes sig = w.Exchange(SigPacket(2));
    const Bytes sig_good = SigReplyOf(3, {'D', 'S', 'C', '2'});
    ASSERT_EQ(sig.size(), sig_good.size());
    EXPECT_NE(Bytes(sig.begin(), sig.begin() + 12), Bytes(sig_good.begin(), sig_good.begin() + 12));
    EXPECT_EQ(Bytes(sig.begin() + 12, sig.end()), Bytes(sig_good.begin() + 12, sig_good.end()));
}

TEST(SimFaults, ChecksumIsWrongAndNothingElse) {
    Wire w(Wire::Model(3, 2));
    ASSERT_TRUE(AddSimFault(*w.cam, "checksum:56"));
    Bytes expected = SeqFrame(54, {0xFF, 0xFF});
    const Bytes reply = w.Exchange(SeqFrame(56, {14, 0}));
    ASSERT_EQ(reply.size(), 16u);
    EXPECT_NE(reply[14], expected[14]);
    expected[14] = reply[14];
    EXPECT_EQ(reply, expected);
}

TEST(SimFaults, StatusReplacesTheReplyAndTheCommandIsNotDone) {
    Wire w(Wire::Model(2, 3));
    ASSERT_TRUE(AddSimFault(*w.cam, "status:17:5"));
    EXPECT_EQ(w.Exchange(SeqFrame(17, {1}, 4)), Ack(5, true, 4));
    EXPECT_EQ(SimImageCount(*w.cam), 3);

    Wire s(Wire::Model(1, 3));
    ASSERT_TRUE(AddSimFault(*s.cam, "status:26:4"));
    EXPECT_EQ(s.Exchange(SigPacket(26, {1})), SigReplyOf(1, {4}));

    Wire t(Wire::Model(2, 3));
    ASSERT_TRUE(AddSimFault(*t.cam, "status:22:6"));
    EXPECT_EQ(t.Exchange(SeqFrame(22, {1, 0, 0, 0})), Ack(6, true));
}

TEST(SimFaults, NoReplyStillCarriesTheCommandOut) {
    Wire w(Wire::Model(2, 3));
    ASSERT_TRUE(AddSimFault(*w.cam, "noreply:17"));
    EXPECT_TRUE(w.Exchange(SeqFrame(17, {1})).empty());
    EXPECT_EQ(SimImageCount(*w.cam), 2);
    EXPECT_TRUE(w.Exchange(SeqFrame(17, {1})).empty()) << "without *N every request is hit";
    EXPECT_EQ(w.Exchange(SeqFrame(7)), SeqFrame(8, {1, 0}));
}

TEST(SimFaults, CountLimitsTheFault) {
    Wire w(Wire::Model(2, 3));
    ASSERT_TRUE(AddSimFault(*w.cam, "noreply:7*2"));
    EXPECT_TRUE(w.Exchange(SeqFrame(7)).empty());
    EXPECT_TRUE(w.Exchange(SeqFrame(16, {0})).size() == 16u) << "other commands untouched";
    EXPECT_TRUE(w.Exchange(SeqFrame(7)).empty());
    EXPECT_EQ(w.Exchange(SeqFrame(7)), SeqFrame(8, {3, 0}));
}

TEST(SimFaults, FaultsFollowTheProtocolOfTheRequest) {
    // Command 2 is the signature identify on every model.
    Wire w(Wire::Model(2, 3));
    ASSERT_TRUE(AddSimFault(*w.cam, "noreply:2*1"));
    EXPECT_TRUE(w.Exchange(SigPacket(2)).empty());
    EXPECT_EQ(w.Exchange(SigPacket(2)), SigReplyOf(3, {'D', 'S', 'C', '2'}));
    // Set speed with a lost acknowledgement: the camera switched all the same.
    ASSERT_TRUE(AddSimFault(*w.cam, "noreply:4*1"));
    EXPECT_TRUE(w.Exchange(SigPacket(4, {0})).empty());
    EXPECT_EQ(SimSpeedCode(*w.cam), 0);
    EXPECT_TRUE(w.Exchange(SigPacket(4, {0})).empty()) << "the retry at 9600 is not understood";
}

TEST(SimFaults, EmptyLastBlock) {
    Wire w(Wire::Model(1, 2));
    ASSERT_TRUE(AddSimFault(*w.cam, "emptylast*1"));
    const uint32_t n = static_cast<uint32_t>(SimImage(*w.cam, 1).size());
    const uint16_t last = static_cast<uint16_t>((n - 1) / 1024);
    ASSERT_GT(last, 0);
    w.Exchange(SigPacket(26, {1}));
    EXPECT_EQ(w.Exchange(SigPacket(30, {0, 0})).size(), 17u + 1024u);
    const Bytes last_request =
        SigPacket(30, {static_cast<uint8_t>(last >> 8), static_cast<uint8_t>(last)});
    EXPECT_EQ(w.Exchange(last_request), SigReplyOf(0, {}));
    EXPECT_EQ(w.Exchange(last_request).size(), 17u + (n - last * 1024u)) << "only once";
}

TEST(SimFaults, SpeedFaultStartsTheCameraElsewhere) {
    Wire w(Wire::Model(1, 1));
    ASSERT_TRUE(AddSimFault(*w.cam, "speed:0"));
    EXPECT_EQ(SimSpeedCode(*w.cam), 0);
    EXPECT_TRUE(w.Exchange(SigPacket(4, {2})).empty());
    w.SetBaud(115200);
    EXPECT_EQ(w.Exchange(SigPacket(4, {0})), SigReplyOf(1, {0}));
    EXPECT_EQ(w.Exchange(SigPacket(31)), SigReplyOf(1, {0}));
    EXPECT_EQ(SimSpeedCode(*w.cam), 2);
}

TEST(SimFaults, TheLogNotesRequestsRepliesAndFaults) {
    Wire w(Wire::Model(2, 1));
    ASSERT_TRUE(AddSimFault(*w.cam, "noise:7:4*1"));
    const size_t before = SimLog(*w.cam).size();
    w.Exchange(SeqFrame(7));
    const std::vector<std::string>& log = SimLog(*w.cam);
    ASSERT_EQ(log.size(), before + 2);
    EXPECT_THAT(log[before], ::testing::StartsWith("<- seq cmd 7"));
    EXPECT_THAT(log[before + 1], ::testing::StartsWith("-> seq code 8 seq 0 (20 bytes)"));
    EXPECT_THAT(log[before + 1], ::testing::HasSubstr("noise"));
    ASSERT_EQ(SimRequests(*w.cam).size(), 1u);
    EXPECT_EQ(SimRequests(*w.cam)[0], SeqFrame(7));
}

}  // namespace
