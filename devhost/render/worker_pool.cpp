#include "devhost/render/worker_pool.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <new>
#include <thread>
#include <vector>

#include "devhost/render/console.h"

namespace fs = std::filesystem;

namespace devhost {

namespace {

using Clock = std::chrono::steady_clock;

double Since(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

std::string Duration(double seconds) {
  const long s = static_cast<long>(seconds + 0.5);
  char text[32];
  if (s >= 3600) {
    std::snprintf(text, sizeof(text), "%ld:%02ld:%02ld", s / 3600, s / 60 % 60, s % 60);
  } else {
    std::snprintf(text, sizeof(text), "%ld:%02ld", s / 60, s % 60);
  }
  return text;
}

// What one worker is doing, for the progress line.
struct WorkerState {
  enum Stage { kIdle, kReading, kRendering, kWriting };
  std::atomic<int> stage{kIdle};
  std::atomic<int> rows_written{0};
  std::atomic<int> rows{0};
  std::atomic<double> since{0};  // seconds into the run when the frame began
  std::mutex name_mutex;
  std::string name;
};

class Run {
 public:
  Run(Host& main, FrameFeed& feed, const RunSettings& settings, const Receiver& receive)
      : main_(main),
        feed_(feed),
        settings_(settings),
        receive_(receive),
        workers_(settings.on_main_host ? 1 : std::max(settings.jobs, 1)),
        states_(workers_) {}

  RunStats Go() {
    // Render threads are made on this thread, before any renders.
    std::vector<std::unique_ptr<Host>> hosts;
    for (int i = 0; i < workers_ && !settings_.on_main_host; ++i)
      hosts.push_back(main_.NewRenderThread());
    std::thread ticker;
    if (Console::Get().ProgressShown()) ticker = std::thread([this] { Tick(); });
    std::vector<std::thread> threads;
    for (int i = 0; i < workers_; ++i) {
      Host& host = settings_.on_main_host ? main_ : *hosts[i];
      threads.emplace_back([this, &host, i] { Work(host, states_[i]); });
    }
    for (std::thread& t : threads) t.join();
    {
      std::lock_guard<std::mutex> lock(tick_mutex_);
      stopping_ = true;
    }
    tick_cv_.notify_all();
    if (ticker.joinable()) ticker.join();
    Console::Get().EndProgress();
    // Render threads end here, on the thread that made them; their imbalances go to the handler.
    hosts.clear();
    stats_.seconds = Since(start_);
    stats_.written = written_;
    stats_.failed = failed_;
    stats_.skipped = skipped_;
    return stats_;
  }

 private:
  void Fail(const Frame& frame, const std::string& message, bool names_frame) {
    ++failed_;
    Console::Get().Message(names_frame || settings_.single ? message : frame.name + ": " + message);
  }

  // The next frame for a worker, waiting while too many rendered frames wait to be handed back.
  bool Take(Frame* frame) {
    std::unique_lock<std::mutex> lock(feed_mutex_);
    feed_cv_.wait(lock,
                  [this] { return feed_done_ || in_flight_ < static_cast<size_t>(2 * workers_); });
    if (!feed_done_ && settings_.stopped()) feed_done_ = true;
    if (feed_done_) return false;
    *frame = Frame();
    FrameFeed::Result r;
    try {
      r = feed_.Next(frame);
    } catch (const std::bad_alloc&) {
      Console::Get().Message("frame " + std::to_string(taken_ + 1) + ": out of memory");
      r = FrameFeed::kFailed;
    }
    if (r != FrameFeed::kFrame) {
      if (r == FrameFeed::kFailed) ++failed_;
      feed_done_ = true;
      feed_cv_.notify_all();
      return false;
    }
    frame->index = taken_++;
    ++in_flight_;
    return true;
  }

  // Hands back frames without an output file, in order; image empty for a frame that failed.
  // They make one stream: after a frame that failed, or one the receiver could not take, no
  // later frame is handed back (it would take the missing one's place) and the run stops.
  void Deliver(Frame frame, std::optional<Image> image) {
    std::lock_guard<std::mutex> lock(deliver_mutex_);
    const size_t index = frame.index;
    pending_.emplace(index, std::make_pair(std::move(frame), std::move(image)));
    for (auto it = pending_.find(delivered_); it != pending_.end();
         it = pending_.find(delivered_)) {
      if (!broken_) {
        if (!it->second.second) {
          broken_ = true;
        } else if (Receive(it->second.first, *it->second.second)) {
          ++written_;
        } else {
          ++failed_;
          broken_ = true;
        }
        if (broken_) Stop();
      }
      pending_.erase(it);
      ++delivered_;
      Leave();
    }
  }

  bool Receive(const Frame& frame, const Image& image) {
    try {
      return receive_(frame, image);
    } catch (const std::bad_alloc&) {
      Console::Get().Message(frame.name + ": out of memory");
      return false;
    }
  }

  // No frame is taken from now on.
  void Stop() {
    {
      std::lock_guard<std::mutex> lock(feed_mutex_);
      feed_done_ = true;
    }
    feed_cv_.notify_all();
  }

  // A frame is in flight from the moment it is taken until it is written or handed back.
  void Leave() {
    {
      std::lock_guard<std::mutex> lock(feed_mutex_);
      --in_flight_;
    }
    feed_cv_.notify_all();
  }

  void Work(Host& host, WorkerState& state) {
    const EffectParams settings = host.params;
    Frame frame;
    while (Take(&frame)) {
      {
        std::lock_guard<std::mutex> lock(state.name_mutex);
        state.name = frame.name;
      }
      state.since = Since(start_);
      host.params = frame.params.value_or(settings);
      std::optional<Image> image;
      try {
        image = RenderOne(host, frame, state);
      } catch (const std::bad_alloc&) {
        // Reading, the host's worlds or writing: one frame too large fails, not the run.
        frame.layer = Image();
        Fail(frame, frame.name + ": out of memory", true);
      }
      state.stage = WorkerState::kIdle;
      if (frame.output.empty()) {
        Deliver(std::move(frame), std::move(image));
      } else {
        Leave();
      }
    }
  }

  std::optional<Image> RenderOne(Host& host, Frame& frame, WorkerState& state) {
    std::error_code ec;
    if (!frame.output.empty() && settings_.skip_existing && fs::exists(frame.output, ec)) {
      ++skipped_;
      return std::nullopt;
    }
    std::string error;
    if (!frame.input.empty()) {
      state.stage = WorkerState::kReading;
      if (!settings_.read(frame.input, &frame.layer, &error)) {
        Fail(frame, error, true);
        return std::nullopt;
      }
    }
    if (settings_.premiere && frame.layer.depth == Depth::U16) {
      Fail(frame,
           frame.name +
               " holds 16-bit samples, which Premiere Pro does not render: use --depth 8 or "
               "--depth 32",
           true);
      return std::nullopt;
    }
    state.stage = WorkerState::kRendering;
    RenderResult r =
        settings_.premiere ? host.RenderLegacy(frame.layer) : host.RenderSmart(frame.layer);
    ReportHostMessages(host);
    if (!r.host_error.empty()) {
      Fail(frame, "render failed: " + r.host_error, false);
      return std::nullopt;
    }
    if (r.err != PF_Err_NONE || r.image.bytes.empty()) {
      Fail(frame, "render failed: " + ErrorText(r.err), false);
      return std::nullopt;
    }
    {
      std::lock_guard<std::mutex> lock(stats_mutex_);
      if (!has_geometry_) {
        has_geometry_ = true;
        stats_.in_width = frame.layer.width;
        stats_.in_height = frame.layer.height;
        stats_.out_width = r.image.width;
        stats_.out_height = r.image.height;
        stats_.on_gpu = r.on_gpu;
      }
    }
    frame.layer = Image();  // no longer needed while the output is written
    if (frame.output.empty()) return std::move(r.image);
    if (settings_.stopped()) return std::nullopt;

    state.rows = r.image.height;
    state.rows_written = 0;
    state.stage = WorkerState::kWriting;
    const auto rows_written = [&](int rows) {
      state.rows_written = rows;
      return !settings_.stopped();
    };
    if (!settings_.write(frame.output, r.image, rows_written, &error)) {
      if (!settings_.stopped()) Fail(frame, error, true);
      return std::nullopt;
    }
    ++written_;
    return std::nullopt;
  }

  // The progress line, a few times a second.
  void Tick() {
    std::unique_lock<std::mutex> lock(tick_mutex_);
    while (!stopping_) {
      try {
        Console::Get().Progress(ProgressText());
      } catch (const std::bad_alloc&) {
        // The line waits for the next tick.
      }
      tick_cv_.wait_for(lock, std::chrono::milliseconds(250));
    }
  }

  std::string ProgressText() {
    const double now = Since(start_);
    const size_t total = feed_.Total();
    const size_t done = written_ + failed_ + skipped_;
    std::string text = "tessgrain-render: ";
    if (total != 1) {
      text += std::to_string(done);
      if (total > 0) text.append("/").append(std::to_string(total));
      text += " frames";
      if (written_ > 0 && now > 0) {
        const double fps = (written_ + failed_) / now;
        char rate[32];
        std::snprintf(rate, sizeof(rate), ", %.1f frames/s", fps);
        text += rate;
        if (total > done && fps > 0) text += ", " + Duration((total - done) / fps) + " left";
      }
    }
    // A frame that takes long (or the only one) says what it is doing.
    for (WorkerState& s : states_) {
      const int stage = s.stage;
      if (stage == WorkerState::kIdle || (total != 1 && now - s.since < 1.0)) continue;
      std::string name;
      {
        std::lock_guard<std::mutex> lock(s.name_mutex);
        name = s.name;
      }
      if (total != 1) text += "; ";
      text.append(name).append(": ");
      if (stage == WorkerState::kReading) {
        text += "reading";
      } else if (stage == WorkerState::kRendering) {
        text += "rendering, " + Duration(now - s.since);
      } else {
        const int rows = std::max(s.rows.load(), 1);
        text += "writing " + std::to_string(100L * s.rows_written / rows) + "%";
      }
      break;
    }
    return text;
  }

  Host& main_;
  FrameFeed& feed_;
  const RunSettings& settings_;
  const Receiver& receive_;
  const int workers_;
  std::vector<WorkerState> states_;
  const Clock::time_point start_ = Clock::now();

  std::mutex feed_mutex_;
  std::condition_variable feed_cv_;
  bool feed_done_ = false;
  size_t taken_ = 0;
  size_t in_flight_ = 0;
  size_t delivered_ = 0;  // under deliver_mutex_

  std::mutex deliver_mutex_;
  std::map<size_t, std::pair<Frame, std::optional<Image>>> pending_;
  bool broken_ = false;  // the frames handed back have a gap: none follow

  std::atomic<size_t> written_{0}, failed_{0}, skipped_{0};
  std::mutex stats_mutex_;
  bool has_geometry_ = false;
  RunStats stats_;

  std::mutex tick_mutex_;
  std::condition_variable tick_cv_;
  bool stopping_ = false;
};

}  // namespace

RunStats RenderFrames(Host& main, FrameFeed& feed, const RunSettings& settings,
                      const Receiver& receive) {
  return Run(main, feed, settings, receive).Go();
}

}  // namespace devhost
