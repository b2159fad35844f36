#include "console.h"

#include <gtest/gtest.h>

#include <atomic>
#include <csignal>
#include <ctime>
#include <thread>

#include <fcntl.h>
#include <sys/time.h>

#include "support.h"

namespace jarmenu {
namespace {

using test::make_pipe;
using test::read_available;
using test::write_fully;
using namespace std::chrono_literals;

constexpr std::int32_t kUntouched = 77;

/// An InputStream on a real pipe, tied to an OutputStream on another pipe.
struct PipedConsole {
  test::Pipe in = make_pipe();
  test::Pipe out = make_pipe();
  OutputStream tie{out.write_end.get()};
  InputStream stream{in.read_end.get(), tie};

  /// Puts all of `input` on the pipe and closes it, so that the end of input follows.
  void feed_all(std::string_view input) {
    write_fully(in.write_end.get(), input);
    in.write_end.reset();
  }
  /// Reads a word for 'w', a number for 'n'; describes it as a number, "!" for a failed
  /// number read or [word], then "e" and "f" for the marks it left.
  std::string read(char kind) {
    std::string result;
    if (kind == 'w') {
      // Appended piece by piece: GCC 12 at -O3 warns falsely about "[" + word (-Wrestrict).
      result = '[';
      result += stream.read_word();
      result += ']';
    } else {
      std::int32_t value = kUntouched;
      const bool ok = stream.read_number(value);
      result = ok ? std::to_string(value) : value == kUntouched ? "!" : "!clobbered";
    }
    if (stream.end_of_input()) result += 'e';
    if (stream.failed()) result += 'f';
    return result;
  }
  /// The space-separated descriptions of `kinds` read one after another.
  std::string read_all(std::string_view kinds) {
    std::string result;
    for (const char kind : kinds) {
      if (!result.empty()) result += ' ';
      result += read(kind);
    }
    return result;
  }
};

/// A run of reads over the whole of an input, and what they must find.
struct ReadCase {
  const char* why;
  std::string_view input;
  std::string_view reads;  // 'n' for a number, 'w' for a word
  std::string_view expected;
};

/// The space-separated descriptions of `reads` over `input`.
std::string transcript(std::string_view input, std::string_view reads) {
  PipedConsole console;
  console.feed_all(input);
  return console.read_all(reads);
}

TEST(ReadNumber, FollowsTheConsoleRulesForSignsWhiteSpaceAndOverflow) {
  const ReadCase cases[] = {
      {"all six white-space bytes are skipped", " \t\n\v\f\r7\n", "n", "7"},
      {"white space may stand between a sign and its digits", "+ 2\n", "n", "2"},
      {"a line feed may too", "-\n1\n", "n", "-1"},
      {"leading zeros mean nothing", "010 01\n", "nn", "10 1"},
      {"there is no hexadecimal: 0x1 is 0, leaving x1", "0x1\n", "nw", "0 [x1]"},
      {"letters after the digits stay for the next read", "12abc def", "nw", "12 [abc]"},
      {"so do the bytes either side of the digits", "7/ 7:\n", "nwnw", "7 [/] 7 [:]"},
      {"2^32 + 1 wraps to 1", "4294967297\n", "n", "1"},
      {"2^32 + 4 wraps to 4", "4294967300\n", "n", "4"},
      {"-(2^32 - 1) wraps to 1", "-4294967295\n", "n", "1"},
      {"2^31 reads as -2^31", "2147483648\n", "n", "-2147483648"},
      {"2^64 + 1 wraps to 1", "18446744073709551617\n", "n", "1"},
      {"a letter fails without marking the end", "x 1\n", "n", "!f"},
      {"a second sign fails", "+-1\n", "n", "!f"},
      {"so does a doubled minus", "--1\n", "n", "!f"},
      {"a sign before a letter fails", "- x\n", "n", "!f"},
      {"a sign then the end fails and marks it", "+ \n", "n", "!ef"},
      {"empty input fails and marks the end", "", "n", "!ef"},
      {"a failed stream fails every later read", "x 1 y\n", "nnw", "!f !f []f"},
  };
  for (const ReadCase& c : cases) EXPECT_EQ(transcript(c.input, c.reads), c.expected) << c.why;
}

TEST(ReadWord, TakesBytesUpToWhiteSpaceAndMarksTheEnd) {
  const ReadCase cases[] = {
      {"a word ends at white space, which the next read skips", "  a.jar\tb.jar\n", "ww", "[a.jar] [b.jar]"},
      {"zero bytes and high bytes are word bytes", {"a\0b\x80\xff\n", 6}, "w", {"[a\0b\x80\xff]", 7}},
      {"so are 0x01 and the bytes next to the white-space ones", "\x01\b\x0e\x1c\x1d\x1e\x1f\x7f\n", "w",
       "[\x01\b\x0e\x1c\x1d\x1e\x1f\x7f]"},
      {"a word at the very end is whole; the read after it fails", "name", "wn", "[name]e !ef"},
      {"end of input right after digits is not a mark", "1", "nwn", "1 []ef !ef"},
      {"only white space: empty word, both marks", " \n\n", "w", "[]ef"},
      {"a number directly followed by a name", "1x.jar 4\n", "nwn", "1 [x.jar] 4"},
  };
  for (const ReadCase& c : cases) EXPECT_EQ(transcript(c.input, c.reads), c.expected) << c.why;
}

TEST(InputStream, FlushesItsTieBeforeEachReadOnAnUnmarkedStreamOnly) {
  struct Case {
    const char* why;
    std::string_view input;
    std::string_view reads;
    std::vector<bool> flushed;
  } const cases[] = {
      {"every read on an unmarked stream flushes", "1 a 2\n", "nwn", {true, true, true}},
      {"after digits at the end, the next read still flushes; the one after does not", "1", "nwn", {true, true, false}},
      {"after a word at the end, the next read does not flush", "a", "wnw", {true, false, false}},
      {"after a failed read, nothing flushes", "x\n", "nn", {true, false}},
  };
  for (const Case& c : cases) {
    PipedConsole console;
    console.feed_all(c.input);
    for (std::size_t i = 0; i < c.reads.size(); ++i) {
      console.tie.write("question\n");
      ASSERT_EQ(read_available(console.out.read_end.get()), "") << c.why << ": writing alone must not flush";
      console.read(c.reads[i]);
      EXPECT_EQ(read_available(console.out.read_end.get()) == "question\n", c.flushed[i]) << c.why << ", read " << i;
    }
  }
}

TEST(InputStream, WaitsForLateInputThroughSignalsAndNonBlockingDescriptorsWithoutSpinning) {
  // What the writer does once the late input is written.
  enum class Then { kClose, kKeepOpen, kFail };
  struct Case {
    const char* why;
    bool non_blocking;
    bool interrupted;
    std::string_view late_input;  // written once the reader is waiting
    Then then;
    std::string_view reads;
    std::string_view expected;
  } const cases[] = {
      {"a read interrupted by a signal is retried", false, true, "word\n", Then::kClose, "w", "[word]"},
      {"a non-blocking input is waited on, not taken as the end", true, false, "42\n", Then::kClose, "n", "42"},
      {"a wait interrupted by a signal is retried", true, true, "word\n", Then::kClose, "w", "[word]"},
      {"the end that follows a wait is still the end", true, false, "1 x.jar", Then::kClose, "nwn", "1 [x.jar]e !ef"},
      {"a non-blocking input is read as its bytes come", true, false, "42\n", Then::kKeepOpen, "n", "42"},
      {"a read error in the middle of a word ends it as the end does", false, false, "1 ab", Then::kFail, "nwn",
       "1 [ab]e !ef"},
  };
  // A handler installed without SA_RESTART makes a blocked read or poll return EINTR.
  struct sigaction action {};
  action.sa_handler = [](int) {};
  ::sigaction(SIGALRM, &action, nullptr);
  const pthread_t reading_thread = ::pthread_self();
  for (const Case& c : cases) {
    PipedConsole console;
    if (c.non_blocking) ::fcntl(console.in.read_end.get(), F_SETFL, O_NONBLOCK);
    // A directory in the pipe's place fails every read.
    const auto fail_reads = [&] {
      const test::UniqueFd root(::open("/", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
      ::dup2(root.get(), console.in.read_end.get());
    };
    std::atomic<bool> done = false;
    std::thread writer([&] {
      // Only the reading thread may take the alarm, or the test would prove nothing.
      sigset_t alarm;
      sigemptyset(&alarm);
      sigaddset(&alarm, SIGALRM);
      ::pthread_sigmask(SIG_BLOCK, &alarm, nullptr);
      std::this_thread::sleep_for(300ms);
      write_fully(console.in.write_end.get(), c.late_input);
      if (c.then == Then::kClose) console.in.write_end.reset();
      if (c.then == Then::kFail) {
        // Once the reader waits after the bytes, its next read (after the signal) fails.
        std::this_thread::sleep_for(200ms);
        fail_reads();
        ::pthread_kill(reading_thread, SIGALRM);
      }
      for (int i = 0; i < 500 && !done; ++i) std::this_thread::sleep_for(10ms);
      if (done) return;
      // A reader that missed its input or the end, or takes errors for bytes, would go on for ever;
      // a pipe whose writer is gone ends it.
      ADD_FAILURE() << c.why << ": still reading 5 s after the input";
      const test::Pipe ended = make_pipe();
      ::dup2(ended.read_end.get(), console.in.read_end.get());
      console.in.write_end.reset();
    });
    itimerval timer{{0, 0}, {0, c.interrupted ? 50'000 : 0}};
    ::setitimer(ITIMER_REAL, &timer, nullptr);
    const std::clock_t cpu_before = std::clock();
    EXPECT_EQ(console.read_all(c.reads), c.expected) << c.why;
    // A wait that polls without blocking would burn the whole 300 ms.
    EXPECT_LT(std::clock() - cpu_before, CLOCKS_PER_SEC / 10) << c.why << ": waited busily";
    done = true;
    writer.join();
  }
  ::signal(SIGALRM, SIG_DFL);
}

TEST(OutputStream, KeepsTextsWholeAndInOrderAcrossBufferFillsAndSlowReaders) {
  struct Case {
    const char* why;
    bool non_blocking;
    std::chrono::milliseconds reader_delay;
  } const cases[] = {
      {"a reader that keeps up gets every text", false, 0ms},
      {"a non-blocking output whose reader is slow is waited on, not given up on", true, 200ms},
  };
  for (const Case& c : cases) {
    test::Pipe out = make_pipe();
    if (c.non_blocking) ::fcntl(out.write_end.get(), F_SETFL, O_NONBLOCK);
    std::string expected;
    std::string got;
    std::thread reader([&] {
      std::this_thread::sleep_for(c.reader_delay);
      char buffer[512];
      for (ssize_t n; (n = ::read(out.read_end.get(), buffer, sizeof buffer)) > 0;)
        got.append(buffer, static_cast<std::size_t>(n));
    });
    const std::clock_t cpu_before = std::clock();
    {
      // Far more than a pipe holds, so a slow reader fills it.
      OutputStream stream(out.write_end.get());
      for (int i = 0; i < 5000; ++i) {
        const std::string line = "line " + std::to_string(i) + std::string(static_cast<std::size_t>(i % 97), '.') + "\n";
        stream.write(line);
        expected += line;
      }
      stream.flush();
      EXPECT_FALSE(stream.bad()) << c.why;
      out.write_end.reset();
    }
    reader.join();
    EXPECT_EQ(got, expected) << c.why;
    // A wait that polls without blocking would burn the reader's whole delay.
    EXPECT_LT(std::clock() - cpu_before, CLOCKS_PER_SEC / 10) << c.why << ": waited busily";
  }
}

TEST(OutputStream, TurnsBadWhenTheReaderHasGoneAndDropsLaterTexts) {
  sys::keep_running_on_broken_pipe();
  test::Pipe out = make_pipe();
  out.read_end.reset();
  OutputStream stream(out.write_end.get());
  stream.write("nobody reads this\n");
  EXPECT_FALSE(stream.bad()) << "a pipe is written only when flushed";
  stream.flush();
  EXPECT_TRUE(stream.bad());
  stream.write("dropped\n");
  stream.flush();
  EXPECT_TRUE(stream.bad());
}

}  // namespace
}  // namespace jarmenu
