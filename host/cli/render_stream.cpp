#include "render_stream.h"

#include <semaphore.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <thread>

namespace cinderpath_cli {

std::string ChannelStats::Db(double linear) {
  // Below -200 dBFS is silence: far under any integer encoding's smallest
  // step, and what the effect's anti-denormal offset leaves of a silent input.
  if (linear <= 1e-10) return "  -inf";
  char text[32];
  std::snprintf(text, sizeof(text), "%6.1f", 20.0 * std::log10(linear));
  return text;
}

std::string ChannelStats::RmsDb() const { return Db(count ? std::sqrt(sumSquares / count) : 0.0); }

namespace {

// A chunk carries this many frames (whole blocks, at least one), so that
// hand-overs are rare next to the processing while the first chunk is ready
// almost at once and the last one is written soon after the processing ends.
constexpr long kChunkFrames = 16384;
// Chunks in the ring: the reader may run this far ahead of the writer.
constexpr int kRingChunks = 8;

// A counting semaphore. Post() never blocks; Wait() blocks only while the
// count is zero, and neither takes a lock when nobody waits. [any thread]
class Semaphore {
 public:
  explicit Semaphore(unsigned count) { sem_init(&mSem, 0, count); }
  ~Semaphore() { sem_destroy(&mSem); }
  Semaphore(const Semaphore&) = delete;
  Semaphore& operator=(const Semaphore&) = delete;
  void Post() { sem_post(&mSem); }
  void Wait() {
    while (sem_wait(&mSem) != 0 && errno == EINTR) {
    }
  }

 private:
  sem_t mSem;
};

// Copies count frames between an interleaved buffer (frame n at
// interleaved + n * channels) and one buffer per channel (planes[c] + n),
// counting every sample copied into stats[c]; returns the non-finite ones.
// With kChannels fixed (1 or 2, the usual files) all channels go frame by
// frame with their figures in named locals, which stay in registers (an
// array of them went through memory, each sum's chain through a store and a
// load), so the per-channel sums (each one serial chain, in sample order)
// run side by side; kChannels 0 takes the count from channels and goes a
// channel at a time.
template <int kChannels, bool kToPlanes>
long CopyAndMeasure(float* interleaved, float* const* planes, long count, int channels, ChannelStats* stats) {
  auto move = [&](float* a, float* b) {  // returns the sample moved
    float& src = kToPlanes ? *a : *b;
    float& dest = kToPlanes ? *b : *a;
    dest = src;
    return src;
  };
  // Every sample not counted in a channel's figures was NaN or infinite.
  long counted = 0;
  if constexpr (kChannels == 0) {
    for (int c = 0; c < channels; ++c) {
      ChannelStats st = stats[c];
      for (long n = 0; n < count; ++n) st.Add(move(interleaved + n * channels + c, planes[c] + n));
      counted += st.count - stats[c].count;
      stats[c] = st;
    }
  } else {
    static_assert(kChannels <= 2, "one or two channels by name");
    constexpr bool kTwo = kChannels == 2;
    ChannelStats st0 = stats[0], st1 = kTwo ? stats[1] : ChannelStats();
    float* const p0 = planes[0];
    float* const p1 = kTwo ? planes[1] : nullptr;
    for (long n = 0; n < count; ++n) {
      st0.Add(move(interleaved + n * kChannels, p0 + n));
      if (kTwo) st1.Add(move(interleaved + n * kChannels + 1, p1 + n));
    }
    counted = st0.count - stats[0].count + (kTwo ? st1.count - stats[1].count : 0);
    stats[0] = st0;
    if (kTwo) stats[1] = st1;
  }
  return count * channels - counted;
}

template <bool kToPlanes>
long CopyAndMeasure(float* interleaved, float* const* planes, long count, int channels, ChannelStats* stats) {
  if (channels == 1) return CopyAndMeasure<1, kToPlanes>(interleaved, planes, count, channels, stats);
  if (channels == 2) return CopyAndMeasure<2, kToPlanes>(interleaved, planes, count, channels, stats);
  return CopyAndMeasure<0, kToPlanes>(interleaved, planes, count, channels, stats);
}

// Blocks of one stretch of the stream. Owned by one stage at a time: the
// semaphores hand it over, and their post/wait pairs order its contents.
struct Chunk {
  std::vector<AudioData> in;            // per block: blockFrames frames per channel, zero after the input's end
  std::vector<std::vector<float>> out;  // per channel: the rendered frames of every block, block after block
  std::vector<UInt32> frames;           // per block: frames to render
  int numBlocks = 0;
  bool last = false;                    // no chunk follows this one
};

}  // namespace

// Three threads, one ring of chunks. Every chunk travels reader -> renderer ->
// writer -> reader, in ring order, counted by three semaphores (free, to
// render, to write), so each chunk belongs to exactly one stage at a time and
// no stage ever copies another's buffers:
// - the reader thread decodes blocks of the input, deinterleaves them into the
//   chunk, gathers the input figures and sets the frames each block renders;
// - the calling thread renders the chunk's blocks one call per block, as a
//   plain loop would, timing only the plug-in;
// - the writer thread converts, measures and writes the kept frames, and
//   reports progress.
// The renderer waits only for a full chunk; it never allocates, never touches
// a file and never takes a lock of its own. The first failure ends the stream
// after the blocks before it; the other stages see the chunk marked last.
StreamResult StreamThroughEffect(AudioInput& input, PluginSession& session, PendingAudioFile& output,
                                 int blockFrames, long latencyFrames, const std::function<void(long)>& progress) {
  const int channels = input.NumChannels();
  const long block = blockFrames;
  const int blocksPerChunk = static_cast<int>(std::max(1L, kChunkFrames / block));
  const size_t chunkSamples = static_cast<size_t>(blocksPerChunk) * static_cast<size_t>(block);

  // Everything the stages touch is allocated here, before any of them runs.
  std::vector<Chunk> ring(kRingChunks);
  for (Chunk& c : ring) {
    c.in.resize(static_cast<size_t>(blocksPerChunk));
    for (AudioData& b : c.in) {
      b.sampleRateHz = input.SampleRate();
      b.channels.assign(channels, std::vector<float>(static_cast<size_t>(block)));
    }
    c.out.assign(channels, std::vector<float>(chunkSamples));
    c.frames.assign(static_cast<size_t>(blocksPerChunk), 0);
  }
  std::vector<float> inInterleaved(static_cast<size_t>(block) * channels);
  std::vector<float> outInterleaved(chunkSamples * channels);
  std::vector<float*> outPtrs(channels), inPlanes(channels), outPlanes(channels);
  StreamResult result;
  // Each stage counts into its own figures (no cache line shared per sample)
  // and hands them over when it ends.
  std::vector<ChannelStats> inStats(channels), outStats(channels);
  std::string readError, renderError, writeError;
  bool readFailed = false, renderFailed = false;  // each set by its own stage; read after the joins
  std::atomic<bool> writeFailed{false};  // the writer stopped: rendering further is wasted
  std::atomic<bool> stopReading{false};  // the renderer stopped before the reader's last chunk
  Semaphore freeChunks(kRingChunks), toRender(0), toWrite(0);

  // Reader: decodes the input block by block (the sizes of the reads decide
  // where a short input ends, as in a plain loop), gathers the input figures,
  // and lays out the blocks to render, silence included.
  std::thread reader([&] {
    long pos = 0;  // rendered frames laid out so far
    long inputFrames = 0, nonFiniteIn = 0;
    bool inputDone = false;
    for (size_t k = 0;; ++k) {
      freeChunks.Wait();
      if (stopReading.load(std::memory_order_acquire)) break;
      Chunk& c = ring[k % kRingChunks];
      c.numBlocks = 0;
      c.last = false;
      while (c.numBlocks < blocksPerChunk && (!inputDone || pos < inputFrames + latencyFrames)) {
        long got = 0;
        if (!inputDone) {
          got = input.Read(inInterleaved.data(), block, &readError);
          if (got < 0) {
            readFailed = true;
            c.last = true;
            break;
          }
          if (got < block) inputDone = true;
          inputFrames += got;
        }
        AudioData& dest = c.in[static_cast<size_t>(c.numBlocks)];
        for (int ch = 0; ch < channels; ++ch) inPlanes[ch] = dest.channels[ch].data();
        nonFiniteIn += CopyAndMeasure<true>(inInterleaved.data(), inPlanes.data(), got, channels, inStats.data());
        for (int ch = 0; ch < channels; ++ch) std::fill(inPlanes[ch] + got, inPlanes[ch] + block, 0.0f);
        const long frames = inputDone ? std::min(block, inputFrames + latencyFrames - pos) : block;
        c.frames[static_cast<size_t>(c.numBlocks++)] = static_cast<UInt32>(frames);
        pos += frames;
      }
      if (!c.last) c.last = inputDone && pos >= inputFrames + latencyFrames;
      const bool last = c.last;
      toRender.Post();
      if (last) break;
    }
    result.inputFrames = inputFrames;
    result.nonFiniteIn = nonFiniteIn;
  });

  // Writer: drops the latency's frames from the front, converts to the
  // output's encoding, gathers the output figures and writes each chunk in one
  // call. After a failed write it only hands chunks back until the last.
  std::thread writer([&] {
    const int bits = output.IntegerBits();
    long pos = 0;  // rendered frames written or dropped so far
    long nonFiniteOut = 0, clipped = 0;
    for (size_t k = 0;; ++k) {
      toWrite.Wait();
      Chunk& c = ring[k % kRingChunks];
      const bool last = c.last;
      if (!writeFailed.load(std::memory_order_relaxed)) {
        long kept = 0;
        for (int b = 0; b < c.numBlocks; ++b) {
          const long frames = c.frames[static_cast<size_t>(b)];
          const long skip = std::max(0L, std::min(frames, latencyFrames - pos));
          const size_t first = static_cast<size_t>(b) * static_cast<size_t>(block);
          // Integer output is measured after its conversion, in place in the
          // chunk (the renderer is done with it); float output as it is.
          for (int ch = 0; ch < channels; ++ch) {
            outPlanes[ch] = c.out[ch].data() + first + skip;
            if (!bits) continue;
            float* v = c.out[ch].data() + first;
            for (long n = skip; n < frames; ++n) {
              nonFiniteOut += !std::isfinite(v[n]);
              bool wasClipped = false;
              v[n] = QuantizeSample(v[n], bits, &wasClipped);
              clipped += wasClipped;
            }
          }
          const long nonFinite =
              CopyAndMeasure<false>(outInterleaved.data() + static_cast<size_t>(kept) * channels, outPlanes.data(),
                                    frames - skip, channels, outStats.data());
          if (!bits) nonFiniteOut += nonFinite;
          kept += frames - skip;
          pos += frames;
        }
        if (kept > 0 && !output.WriteInterleaved(outInterleaved.data(), kept, &writeError))
          writeFailed.store(true, std::memory_order_release);
        else if (progress)
          progress(pos);
      }
      freeChunks.Post();
      if (last) break;
    }
    result.nonFiniteOut = nonFiniteOut;
    result.clipped = clipped;
  });

  // The calling thread renders: it only waits for a chunk, calls the plug-in
  // and passes the chunk on; it never allocates, reads or writes a file. A
  // failed render (or write) ends the stream after the blocks before it.
  double renderSeconds = 0.0;
  for (size_t k = 0;; ++k) {
    toRender.Wait();
    Chunk& c = ring[k % kRingChunks];
    if (writeFailed.load(std::memory_order_acquire)) {
      c.numBlocks = 0;
      c.last = true;
    }
    for (int b = 0; b < c.numBlocks; ++b) {
      for (int ch = 0; ch < channels; ++ch) outPtrs[ch] = c.out[ch].data() + static_cast<size_t>(b) * block;
      const auto t0 = std::chrono::steady_clock::now();
      const bool ok =
          session.Render(c.in[static_cast<size_t>(b)], 0, c.frames[static_cast<size_t>(b)], outPtrs.data(), &renderError);
      renderSeconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
      if (!ok) {
        renderFailed = true;
        c.numBlocks = b;
        c.last = true;
        break;
      }
    }
    const bool last = c.last;
    toWrite.Post();
    if (last) break;
  }
  // A reader still running (the stream ended early) stops at its next chunk.
  stopReading.store(true, std::memory_order_release);
  freeChunks.Post();
  reader.join();
  writer.join();
  result.renderSeconds = renderSeconds;
  result.inStats = std::move(inStats);
  result.outStats = std::move(outStats);

  // The earliest failure in the stream is the one to report: the writer only
  // sees blocks the renderer finished, and the renderer only blocks the reader
  // laid out.
  const bool writeFailedAtAll = writeFailed.load(std::memory_order_relaxed);
  result.ok = !writeFailedAtAll && !renderFailed && !readFailed;
  result.error = writeFailedAtAll ? writeError : renderFailed ? renderError : readFailed ? readError : std::string();
  return result;
}

}  // namespace cinderpath_cli
