// Test helpers for talking to the simulated camera byte by byte. The request packets are put
// together here by hand from the wire layout, not with the PC side's packet code, so that these
// tests check the camera against the layout itself.
#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "sim/sim_driver.h"

using Bytes = std::vector<uint8_t>;

inline Bytes SigPacket(uint8_t cmd, const Bytes& data = {}) {
    const std::string sig = "ZEK DSC PC  ";
    Bytes p(sig.begin(), sig.end());
    const uint32_t n = static_cast<uint32_t>(data.size());
    p.push_back(static_cast<uint8_t>(n >> 24));
    p.push_back(static_cast<uint8_t>(n >> 16));
    p.push_back(static_cast<uint8_t>(n >> 8));
    p.push_back(static_cast<uint8_t>(n));
    p.push_back(cmd);
    p.insert(p.end(), data.begin(), data.end());
    return p;
}

// The camera's signature reply with the given code and data.
inline Bytes SigReplyOf(uint8_t code, const Bytes& data = {}) {
    Bytes p = SigPacket(code, data);
    const std::string sig = "ZEK PC  DSC ";
    std::copy(sig.begin(), sig.end(), p.begin());
    return p;
}

inline size_t FrameDataSize(uint8_t type) {
    return type == 8 ? 10 : type == 16 ? 256 : 1024;
}

inline Bytes SeqFrame(uint8_t cmd, const Bytes& data = {}, uint8_t seq = 0, uint8_t type = 8) {
    const size_t d = FrameDataSize(type);
    Bytes f(d + 6, 0);
    f[0] = type;
    f[1] = seq;
    f[2] = static_cast<uint8_t>(~seq);
    f[3] = cmd;
    for (size_t i = 0; i < data.size() && i < d; ++i) f[4 + i] = data[i];
    unsigned sum = 0;
    for (size_t i = 1; i < 4 + d; ++i) sum += f[i];
    f[4 + d] = static_cast<uint8_t>(sum & 0xFF);
    return f;
}

inline Bytes Ack(uint8_t status, bool sequenced, uint8_t seq = 0) {
    return sequenced ? SeqFrame(1, {status}, seq) : SigReplyOf(1, {status});
}

inline uint32_t Le32At(const Bytes& b, size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
}

// One camera on one open port at 9600 bit/s.
struct Wire {
    explicit Wire(const SimConfig& cfg) : cam(MakeSimCamera(cfg)), driver(*cam) {
        port = driver.Open("COM1");
        EXPECT_NE(port, nullptr);
        SetBaud(9600);
    }
    static SimConfig Model(int model, int images = 3) {
        SimConfig c;
        c.model = model;
        c.images = images;
        return c;
    }
    void SetBaud(uint32_t baud) {
        LineSettings line;
        ASSERT_TRUE(port->GetLine(&line));
        line.baud_rate = baud;
        ASSERT_TRUE(port->SetLine(line));
    }
    void Write(const Bytes& b) {
        uint32_t written = 0;
        ASSERT_TRUE(port->Write(b.data(), static_cast<uint32_t>(b.size()), &written));
        ASSERT_EQ(written, b.size());
    }
    Bytes ReadAll() {
        uint32_t errors = 0, queued = 0;
        EXPECT_TRUE(port->GetStatus(&errors, &queued));
        Bytes b(queued);
        uint32_t got = 0;
        if (queued) {
            EXPECT_TRUE(port->Read(b.data(), queued, &got));
        }
        b.resize(got);
        return b;
    }
    // Writes a request and returns everything the camera queued in answer.
    Bytes Exchange(const Bytes& request) {
        Write(request);
        return ReadAll();
    }

    std::unique_ptr<SimCamera> cam;
    SimDriver driver;
    std::unique_ptr<SerialPort> port;
};
