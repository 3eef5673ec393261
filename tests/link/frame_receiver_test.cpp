#include "link/frame_receiver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <vector>

namespace {

using devlink::FrameReceiver;
using devlink::LinkMode;
using Bytes = std::vector<std::uint8_t>;

// A well-formed measurement frame whose payload is tagged with `tag` so frames can be told
// apart.
Bytes measurementFrame(std::uint8_t tag) {
  Bytes f = {0xAA, 0x55};
  for (int i = 0; i < 16; ++i) f.push_back(static_cast<std::uint8_t>(tag + i * 7));
  f[4] = tag % 3;  // mode
  f[5] = tag % 4;  // axis
  f[6] = tag % 4;  // range index
  f[7] = tag % 3;  // unit
  return f;
}

Bytes concat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

// Plays the port: the receiver reads from `pending`, and every handed-over frame is
// recorded.
struct Harness {
  FrameReceiver rx;
  Bytes pending;
  std::size_t readPos = 0;
  std::vector<int> readSizes;
  std::vector<Bytes> frames;
  std::vector<std::uint16_t> headers;
  std::vector<Bytes> results;
  std::vector<std::uint16_t> words;

  Harness() {
    rx.read = [this](std::uint8_t* dst, int n) {
      readSizes.push_back(n);
      const int got = std::min<int>(n, static_cast<int>(pending.size() - readPos));
      std::memcpy(dst, pending.data() + readPos, static_cast<std::size_t>(got));
      readPos += static_cast<std::size_t>(got);
      return got;
    };
    rx.onMeasurementFrame = [this](const std::uint8_t* f) { frames.emplace_back(f, f + 18); };
    rx.onDownloadHeader = [this](std::uint16_t end) { headers.push_back(end); };
    rx.onResultReply = [this](std::uint8_t s, std::uint8_t lo, std::uint8_t hi) {
      results.push_back({s, lo, hi});
    };
    rx.onReadbackWord = [this](std::uint16_t w) { words.push_back(w); };
  }

  // One receive event carrying `bytes`.
  void event(const Bytes& bytes) {
    pending.insert(pending.end(), bytes.begin(), bytes.end());
    rx.ComPort1RxChar(static_cast<int>(bytes.size()));
  }
  Bytes buffer() const {
    return Bytes(rx.ReceiveBuffer.begin(), rx.ReceiveBuffer.begin() + rx.ReceiveFill);
  }
};

TEST(FrameReceiverMeasuring, FrameInPiecesIsDecodedOnceAtItsLastByte) {
  Harness h;
  const Bytes f = measurementFrame(1);
  h.event(Bytes(f.begin(), f.begin() + 5));
  h.event(Bytes(f.begin() + 5, f.begin() + 12));
  EXPECT_TRUE(h.frames.empty());
  h.event(Bytes(f.begin() + 12, f.end()));
  ASSERT_EQ(h.frames.size(), 1u);
  EXPECT_EQ(h.frames[0], f);
  EXPECT_EQ(h.rx.ReceiveFill, 0);
  h.event({});
  EXPECT_EQ(h.frames.size(), 1u);
}

TEST(FrameReceiverMeasuring, EveryCompleteFrameOfAnEventIsDecodedInOrder) {
  Harness h;
  const Bytes a = measurementFrame(1), b = measurementFrame(2), c = measurementFrame(3);
  h.event(concat({a, b, Bytes(c.begin(), c.begin() + 4)}));
  ASSERT_EQ(h.frames.size(), 2u);
  EXPECT_EQ(h.frames[0], a);
  EXPECT_EQ(h.frames[1], b);
  EXPECT_EQ(h.buffer(), Bytes(c.begin(), c.begin() + 4));
  h.event(Bytes(c.begin() + 4, c.end()));
  ASSERT_EQ(h.frames.size(), 3u);
  EXPECT_EQ(h.frames[2], c);
  EXPECT_EQ(h.rx.ReceiveFill, 0);
}

TEST(FrameReceiverMeasuring, ResynchronisationRules) {
  struct Row {
    const char* name;
    Bytes event;
    std::size_t framesDecoded;
    Bytes bufferAfter;
  };
  const Bytes f = measurementFrame(9);
  const std::vector<Row> rows = {
      // Joined in the middle of a frame: the tail of the previous frame goes, and the
      // frame behind it is decoded in the same event.
      {"mid-frame", concat({Bytes{0x11, 0x22, 0x33}, f}), 1, {}},
      // A lone 0xAA without 0x55 is passed over.
      {"lone AA", concat({Bytes{0xAA, 0x10, 0xAA}, f}), 1, {}},
      {"mid-frame, frame incomplete", concat({Bytes{0x11}, Bytes(f.begin(), f.begin() + 9)}), 0,
       Bytes(f.begin(), f.begin() + 9)},
      // No sync pair at all: the last byte stays (it may begin a pair).
      {"garbage", Bytes{0x01, 0x02, 0x03, 0xAA}, 0, Bytes{0xAA}},
      {"garbage ending in non-AA", Bytes{0x01, 0x02, 0x03}, 0, Bytes{0x03}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Harness h;
    h.event(row.event);
    ASSERT_EQ(h.frames.size(), row.framesDecoded);
    if (row.framesDecoded > 0) {
      EXPECT_EQ(h.frames[0], f);
    }
    EXPECT_EQ(h.buffer(), row.bufferAfter);
  }
}

TEST(FrameReceiverMeasuring, StreamJoinedMidFrameDecodesTheNextFrameOnceComplete) {
  Harness h;
  const Bytes a = measurementFrame(1), b = measurementFrame(2);
  h.event(Bytes(a.begin() + 7, a.end()));  // the tail of a frame
  h.event(Bytes(b.begin(), b.begin() + 10));
  h.event(Bytes(b.begin() + 10, b.end()));
  ASSERT_EQ(h.frames.size(), 1u);
  EXPECT_EQ(h.frames[0], b);
}

TEST(FrameReceiverMeasuring, GarbageEndingInAaJoinsTheFollowingPair) {
  Harness h;
  const Bytes f = measurementFrame(4);
  h.event({0x10, 0x20, 0xAA});
  h.event(Bytes(f.begin() + 1, f.end()));  // 0x55 and the payload
  ASSERT_EQ(h.frames.size(), 1u);
  EXPECT_EQ(h.frames[0], f);
}

TEST(FrameReceiverMeasuring, DataReceivedIsSetByEveryEvent) {
  for (LinkMode mode : {LinkMode::Measuring, LinkMode::DownloadHeader, LinkMode::DownloadResults,
                        LinkMode::CalibrationReadback, static_cast<LinkMode>(7)}) {
    Harness h;
    h.rx.LinkMode = mode;
    h.event({0x01, 0x02});  // all discarded
    EXPECT_TRUE(h.rx.DataReceived) << static_cast<int>(mode);
  }
}

TEST(FrameReceiverDownload, HeaderNeedsExactlyOneFourByteEvent) {
  Harness h;
  h.rx.LinkMode = LinkMode::DownloadHeader;
  h.rx.PendingLinkMode = LinkMode::DownloadHeader;
  h.event(measurementFrame(1));
  h.event({0xAA, 0x55, 0x2E});              // split header: first half
  h.event({0x01});                          // second half
  h.event({0x00, 0xAA, 0x55, 0x2E, 0x01});  // glued to a stray byte
  EXPECT_TRUE(h.headers.empty());
  EXPECT_TRUE(h.frames.empty());
  EXPECT_EQ(h.rx.PendingLinkMode, LinkMode::DownloadHeader);
  EXPECT_EQ(h.rx.ReceiveFill, 0) << "download modes never fill the buffer";

  h.event({0xAA, 0x55, 0x2E, 0x01});
  ASSERT_EQ(h.headers.size(), 1u);
  EXPECT_EQ(h.headers[0], 302);
  EXPECT_EQ(h.rx.ResultEndAddress, 302);
  EXPECT_EQ(h.rx.PendingLinkMode, LinkMode::DownloadResults);
  EXPECT_EQ(h.rx.LinkMode, LinkMode::DownloadHeader) << "the state timer switches the mode";
}

TEST(FrameReceiverDownload, ResultReplyNeedsExactlyOneFiveByteEvent) {
  Harness h;
  h.rx.LinkMode = LinkMode::DownloadResults;
  h.event({0xAA, 0x55, 0x40, 0xD2, 0x04, 0x00});  // 6 bytes
  h.event({0xAB, 0x55, 0x40, 0xD2, 0x04});        // no sync pair
  h.event(measurementFrame(3));
  EXPECT_TRUE(h.results.empty());
  h.event({0xAA, 0x55, 0x40, 0xD2, 0x04});
  ASSERT_EQ(h.results.size(), 1u);
  EXPECT_EQ(h.results[0], (Bytes{0x40, 0xD2, 0x04}));
  EXPECT_EQ(h.rx.ReceiveFill, 0);
}

TEST(FrameReceiverReadback, RepliesAreAssembledInTheBuffer) {
  {
    SCOPED_TRACE("2 + 2");
    Harness h;
    h.rx.LinkMode = LinkMode::CalibrationReadback;
    h.event({0xAA, 0x55});
    EXPECT_TRUE(h.words.empty());
    h.event({0x34, 0x12});
    ASSERT_EQ(h.words.size(), 1u);
    EXPECT_EQ(h.words[0], 0x1234);
    EXPECT_EQ(h.rx.ReceiveFill, 0);
  }
  {
    SCOPED_TRACE("7 bytes without a pair wait, 9 are cut");
    Harness h;
    h.rx.LinkMode = LinkMode::CalibrationReadback;
    h.event({1, 2, 3, 4, 5, 6, 7});
    EXPECT_EQ(h.rx.ReceiveFill, 7);
    h.event({8, 9});
    EXPECT_EQ(h.buffer(), Bytes{9});
    EXPECT_TRUE(h.words.empty());
  }
  {
    SCOPED_TRACE("garbage then a reply");
    Harness h;
    h.rx.LinkMode = LinkMode::CalibrationReadback;
    h.event({1, 2, 3, 4, 5, 6, 0xAA, 0x55, 0x01});
    EXPECT_EQ(h.buffer(), (Bytes{0xAA, 0x55, 0x01}));
    h.event({0x02});
    ASSERT_EQ(h.words.size(), 1u);
    EXPECT_EQ(h.words[0], 0x0201);
  }
}

TEST(FrameReceiverReadback, PairAtTheFrontOfAnOverlongBufferIsSteppedOver) {
  Harness h;
  h.rx.LinkMode = LinkMode::CalibrationReadback;
  // A measurement frame arriving in readback: it starts with the pair but is no reply.
  h.event(concat({measurementFrame(0x10), Bytes{0xAA, 0x55}}));
  EXPECT_TRUE(h.words.empty());
  // The front pair is skipped; the next pair in the buffer comes to the front.
  EXPECT_EQ(h.buffer(), (Bytes{0xAA, 0x55}));
  h.event({0x78, 0x56});
  ASSERT_EQ(h.words.size(), 1u);
  EXPECT_EQ(h.words[0], 0x5678);
}

// Many frames in one event (a stalled window, a USB adapter's large chunk): the event is
// taken in pieces that fit the buffer, and no whole frame is lost.
TEST(FrameReceiverOverflow, EventsLargerThanTheBufferLoseNoFrame) {
  struct Row {
    const char* name;
    int frames;
    int leadingGarbage;
    int firstPiece;  // bytes of the stream sent in a first event (0: all in one)
  };
  const std::vector<Row> rows = {
      {"40 frames", 40, 0, 0},
      {"after a partial frame", 30, 0, 7},
      {"behind 300 garbage bytes", 20, 300, 0},
      {"5000 frames, more than one read block", 5000, 0, 0},
      {"5000 frames split inside a frame", 5000, 13, 64000 - 5},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Harness h;
    std::vector<Bytes> sent;
    Bytes stream(static_cast<std::size_t>(row.leadingGarbage), 0x00);
    for (int i = 0; i < row.frames; ++i) {
      Bytes f = measurementFrame(static_cast<std::uint8_t>(i));
      // Payload bytes that look like a sync pair must not be taken for one.
      f[10] = 0xAA;
      f[11] = 0x55;
      f[17] = static_cast<std::uint8_t>(i >> 8);
      sent.push_back(f);
      stream.insert(stream.end(), f.begin(), f.end());
    }
    if (row.firstPiece > 0) {
      h.event(Bytes(stream.begin(), stream.begin() + row.firstPiece));
      h.event(Bytes(stream.begin() + row.firstPiece, stream.end()));
    } else {
      h.event(stream);
    }
    ASSERT_EQ(h.frames.size(), sent.size());
    EXPECT_TRUE(h.frames == sent);
    EXPECT_EQ(h.rx.ReceiveFill, 0);
  }
}

TEST(FrameReceiverEvent, CountAboveTheBlockIsReadInBlocks) {
  Harness h;
  const Bytes a = measurementFrame(1), b = measurementFrame(2);
  Bytes stream(FrameReceiver::kBlockSize - 18, 0x00);
  stream.insert(stream.end(), a.begin(), a.end());
  stream.insert(stream.end(), b.begin(), b.end());
  h.event(stream);
  EXPECT_EQ(h.readSizes, (std::vector<int>{FrameReceiver::kBlockSize, 18}));
  ASSERT_EQ(h.frames.size(), 2u);
  EXPECT_EQ(h.frames[0], a);
  EXPECT_EQ(h.frames[1], b);
}

TEST(FrameReceiverEvent, FailuresEndOnlyTheirOwnEvent) {
  Harness h;
  const Bytes a = measurementFrame(1), b = measurementFrame(2);
  h.rx.read = [](std::uint8_t*, int) -> int { throw std::runtime_error("port gone"); };
  EXPECT_NO_THROW(h.rx.ComPort1RxChar(18));
  EXPECT_TRUE(h.rx.DataReceived);
  EXPECT_EQ(h.rx.ReceiveFill, 0);

  Harness g;
  int calls = 0;
  g.rx.onMeasurementFrame = [&](const std::uint8_t*) {
    ++calls;
    throw std::runtime_error("decoder failed");
  };
  EXPECT_NO_THROW(g.event(concat({a, b})));
  // A failing frame ends only itself: the frame behind it is still handed over, and
  // neither comes back at the next event.
  EXPECT_EQ(calls, 2);
  EXPECT_NO_THROW(g.event({}));
  EXPECT_EQ(calls, 2);
  EXPECT_EQ(g.rx.ReceiveFill, 0);
}

TEST(FrameReceiverEvent, ShortAndFailedReadsHandleWhatArrived) {
  Harness h;
  const Bytes f = measurementFrame(5);
  h.pending = Bytes(f.begin(), f.begin() + 10);
  h.rx.ComPort1RxChar(18);  // only 10 bytes there
  EXPECT_EQ(h.rx.ReceiveFill, 10);
  h.rx.read = [](std::uint8_t*, int) { return -1; };
  h.rx.ComPort1RxChar(5);
  EXPECT_EQ(h.rx.ReceiveFill, 10);
  EXPECT_NO_THROW(h.rx.ComPort1RxChar(-3));
}

TEST(FrameReceiverEvent, UnknownModeDropsTheBytes) {
  Harness h;
  h.rx.LinkMode = static_cast<LinkMode>(200);
  h.event(measurementFrame(1));
  EXPECT_TRUE(h.frames.empty());
  EXPECT_EQ(h.rx.ReceiveFill, 0);
}

}  // namespace

namespace {

// Frames with a mode, axis, range index or unit the instrument never sends are bytes behind
// a sync pair, not frames: the receiver steps past the pair and finds the next one.
TEST(FrameReceiverMeasuring, OnlyWellFormedFramesAreDecoded) {
  struct Row {
    const char* name;
    int position;  // 4 mode, 5 axis, 6 range index, 7 unit
    std::uint8_t value;
    std::uint8_t unit;
    bool wellFormed;
  };
  const std::vector<Row> rows = {
      {"AC", 4, 2, 0, true},           {"mode 3", 4, 3, 0, false},
      {"vector", 5, 3, 0, true},       {"axis 4", 5, 4, 0, false},
      {"range 4 in mT", 6, 4, 0, true}, {"range 5", 6, 5, 0, false},
      {"range 3 in Gs", 6, 3, 2, true}, {"range 4 in Gs", 6, 4, 2, false},
      {"Gs", 7, 2, 2, true},           {"unit 3", 7, 3, 3, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Bytes f = measurementFrame(0);
    f[7] = row.unit;
    f[static_cast<std::size_t>(row.position)] = row.value;
    EXPECT_EQ(devlink::IsWellFormedMeasurementFrame(f.data()), row.wellFormed);
    Harness h;
    const Bytes next = measurementFrame(9);
    h.event(concat({f, next}));
    const std::vector<Bytes> expected =
        row.wellFormed ? std::vector<Bytes>{f, next} : std::vector<Bytes>{next};
    EXPECT_EQ(h.frames, expected);
  }
}

// Replies that come after a transfer (a doubled or late reply, the answer to the request sent
// after the last result) are never taken for readings, whether they are glued to the next
// frame or left alone in the buffer.
TEST(FrameReceiverMeasuring, LeftoversOfATransferAreNotReadings) {
  const Bytes result = {0xAA, 0x55, 0x00, 0x01, 0x00};
  const Bytes word = {0xAA, 0x55, 0x00, 0x01};
  const Bytes pair = {0xAA, 0x55};
  struct Row {
    const char* name;
    Bytes leftover;
    bool quietBetween;  // the line goes quiet before the next frame comes
  };
  const std::vector<Row> rows = {
      {"a result reply glued to the frame", result, false},
      {"a readback reply glued to the frame", word, false},
      {"a sync pair, then quiet", pair, true},
      {"a result reply, then quiet", result, true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Harness h;
    std::vector<int> quietTimer;
    h.rx.armQuietTimer = [&quietTimer](int ms) { quietTimer.push_back(ms); };
    Bytes frame = measurementFrame(0);
    frame[2] = frame[3] = 0;  // status bytes that would pass as fields after a sync pair
    h.rx.beginDrain();
    EXPECT_EQ(quietTimer.back(), FrameReceiver::kDrainQuietMs);
    h.event(row.leftover);
    EXPECT_TRUE(h.rx.draining());
    if (row.quietBetween) {
      h.rx.quietTimeout();
      EXPECT_FALSE(h.rx.draining());
      EXPECT_EQ(h.rx.ReceiveFill, 0);
      h.event(frame);
    } else {
      h.event(concat({row.leftover, frame}));
    }
    EXPECT_EQ(h.frames, std::vector<Bytes>{frame});
    EXPECT_FALSE(h.rx.draining());
    if (!row.quietBetween) {
      EXPECT_EQ(quietTimer.back(), 0) << "a frame ends the drain";
    }
  }
}

// A half frame left by a pulled cable: the hang-up (or the close, or the next open) empties
// the buffer, so the first frame of the new connection is decoded as it came.
TEST(FrameReceiverMeasuring, ResetDropsAHalfFrame) {
  Harness h;
  const Bytes f = measurementFrame(3);
  h.event(Bytes(f.begin(), f.begin() + 9));
  h.rx.resetReception();
  h.event(f);
  EXPECT_EQ(h.frames, std::vector<Bytes>{f});
}

// A doubled reply delivered in one event is two replies (the transfer decides what they
// mean); anything that is not whole replies stays ignored.
TEST(FrameReceiverReplies, OneEventOfWholeRepliesIsEachReply) {
  const Bytes r1 = {0xAA, 0x55, 0x01, 0x02, 0x03}, r2 = {0xAA, 0x55, 0x04, 0x05, 0x06};
  struct Row {
    const char* name;
    Bytes event;
    std::vector<Bytes> results;
  };
  const std::vector<Row> rows = {
      {"doubled", concat({r1, r1}), {{1, 2, 3}, {1, 2, 3}}},
      {"two different", concat({r1, r2}), {{1, 2, 3}, {4, 5, 6}}},
      {"a reply and a half", concat({r1, Bytes(r2.begin(), r2.begin() + 3)}), {}},
      {"second without its pair", concat({r1, Bytes{0, 0, 1, 2, 3}}), {}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Harness h;
    h.rx.LinkMode = LinkMode::DownloadResults;
    h.event(row.event);
    EXPECT_EQ(h.results, row.results);
  }
  Harness h;
  int activity = 0;
  h.rx.onTransferBytes = [&activity](bool) { ++activity; };
  h.rx.LinkMode = LinkMode::CalibrationReadback;
  h.event({0xAA, 0x55, 0x34, 0x12, 0xAA, 0x55, 0x34, 0x12});
  EXPECT_EQ(h.words, (std::vector<std::uint16_t>{0x1234, 0x1234}));
  h.rx.LinkMode = LinkMode::DownloadHeader;
  h.event({0xAA, 0x55, 0x2E, 0x01, 0xAA, 0x55, 0x2E, 0x01});
  EXPECT_EQ(h.headers, (std::vector<std::uint16_t>{302, 302}));
  EXPECT_EQ(activity, 2);
}

}  // namespace
