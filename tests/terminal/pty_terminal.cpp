// SPDX-License-Identifier: MIT
#include "pty_terminal.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utmp.h>
#include <vterm.h>

namespace term
{

namespace
{

int set_term_prop(VTermProp prop, VTermValue* value, void* user)
{
    if (prop == VTERM_PROP_CURSORVISIBLE) {
        *static_cast<bool*>(user) = value->boolean != 0;
    }
    return 1;
}

// Answers the emulator owes the program (cursor reports and the like).
void write_back(const char* bytes, size_t len, void* user)
{
    const int fd = *static_cast<int*>(user);
    while (len > 0) {
        const ssize_t n = write(fd, bytes, len);
        if (n <= 0) {
            return;
        }
        bytes += n;
        len -= static_cast<size_t>(n);
    }
}

VTermScreenCallbacks screen_callbacks()
{
    VTermScreenCallbacks callbacks{};
    callbacks.settermprop = set_term_prop;
    return callbacks;
}

const VTermScreenCallbacks callbacks = screen_callbacks();

// ncurses sends long runs of one character (the walls) as the character and
// REP, CSI n b: "repeat the preceding character n times". Debian 12's
// libvterm (0.1.4) leaves the cursor a column too far after a run, so the
// wall's last '*' lands on the next row. Tried once on a row like the
// wall's, the libvterm at hand says whether runs must be spelled out for it.
bool vterm_repeats_right()
{
    static const bool right = [] {
        VTerm* vt = vterm_new(2, 4);
        VTermScreen* screen = vterm_obtain_screen(vt);
        vterm_screen_reset(screen, 1);
        vterm_input_write(vt, "*\x1b[2b*", 6);
        VTermScreenCell cell{};
        vterm_screen_get_cell(screen, VTermPos{0, 3}, &cell);
        vterm_free(vt);
        return cell.chars[0] == '*';
    }();
    return right;
}

} // namespace

long long proc_value(pid_t pid, const std::string& file, const std::string& key)
{
    std::ifstream in("/proc/" + std::to_string(pid) + "/" + file);
    for (std::string line; std::getline(in, line);) {
        if (line.starts_with(key + ":")) {
            return std::atoll(line.c_str() + key.size() + 1);
        }
    }
    return -1;
}

std::string RepeatExpander::feed(std::string_view bytes)
{
    std::string out;
    for (const char ch : bytes) {
        switch (state_) {
        case State::text:
            if (ch == '\x1b') {
                state_ = State::escape;
                pending_ = ch;
                continue;
            }
            if (static_cast<unsigned char>(ch) >= 0x20 && ch != 0x7f) {
                last_ = ch;
            }
            out += ch;
            continue;
        case State::escape:
            pending_ += ch;
            if (ch == '[') {
                state_ = State::csi;
            } else if (ch < 0x20 || ch > 0x2f) { // not an intermediate byte
                out += pending_;
                state_ = State::text;
            }
            continue;
        case State::csi:
            pending_ += ch;
            if (ch >= 0x40 && ch <= 0x7e) {
                const std::string params = pending_.substr(2, pending_.size() - 3);
                const bool plain = params.find_first_not_of("0123456789") == std::string::npos;
                if (ch == 'b' && plain && last_ != 0) {
                    out.append(params.empty() ? 1 : std::stoul(params), last_);
                } else {
                    out += pending_;
                }
                state_ = State::text;
            }
            continue;
        }
    }
    return out;
}

std::vector<std::string> words(const std::string& line)
{
    std::istringstream in(line);
    return {std::istream_iterator<std::string>(in), std::istream_iterator<std::string>()};
}

std::vector<std::string> command_under_test(const std::string& fallback)
{
    const char* env = std::getenv("WRIGGLE_COMMAND");
    return words(env != nullptr && *env != '\0' ? env : fallback);
}

std::string no_pseudo_terminal()
{
    int master = -1;
    int slave = -1;
    if (openpty(&master, &slave, nullptr, nullptr, nullptr) != 0) {
        return std::string("openpty: ") + std::strerror(errno);
    }
    close(master);
    close(slave);
    return {};
}

PtyTerminal::PtyTerminal(const std::vector<std::string>& argv, const std::vector<std::string>& environment,
                         int rows, int cols)
    : rows_(rows), cols_(cols)
{
    winsize size{};
    size.ws_row = static_cast<unsigned short>(rows);
    size.ws_col = static_cast<unsigned short>(cols);
    int slave = -1;
    if (openpty(&master_, &slave, nullptr, nullptr, &size) != 0) {
        throw std::runtime_error(std::string("openpty: ") + std::strerror(errno));
    }
    // The modes before the program can change any of them: once it runs, it
    // may have switched them by the time the parent looks.
    tcgetattr(slave, &modes_at_start_);
    pid_ = fork();
    if (pid_ < 0) {
        const int error = errno;
        close(master_);
        close(slave);
        throw std::runtime_error(std::string("fork: ") + std::strerror(error));
    }
    if (pid_ == 0) {
        close(master_);
        login_tty(slave);
        std::vector<char*> args;
        args.reserve(argv.size() + 1);
        for (const std::string& a : argv) {
            args.push_back(const_cast<char*>(a.c_str()));
        }
        args.push_back(nullptr);
        // Stopped by Ctrl-\, the program would leave a core file behind.
        const rlimit no_core{0, 0};
        setrlimit(RLIMIT_CORE, &no_core);
        setenv("TERM", "xterm-256color", 1);
        for (const char* name : {"LINES", "COLUMNS", "ESCDELAY"}) {
            unsetenv(name);
        }
        for (const std::string& assignment : environment) {
            putenv(const_cast<char*>(assignment.c_str()));
        }
        execvp(args[0], args.data());
        _exit(127);
    }
    close(slave);
    fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);

    vt_ = vterm_new(rows, cols);
    vterm_set_utf8(vt_, 1);
    vterm_output_set_callback(vt_, write_back, &master_);
    screen_ = vterm_obtain_screen(vt_);
    vterm_screen_set_callbacks(screen_, &callbacks, &cursor_visible_);
    vterm_screen_enable_altscreen(screen_, 1); // curses leaves the screen as it found it
    vterm_screen_reset(screen_, 1);
    if (!vterm_repeats_right()) {
        repeats_.emplace();
    }
}

PtyTerminal::~PtyTerminal()
{
    if (!status_) {
        kill(pid_, SIGKILL);
        int status = 0;
        waitpid(pid_, &status, 0);
    }
    close(master_);
    vterm_free(vt_);
}

void PtyTerminal::reap()
{
    int status = 0;
    rusage usage{};
    if (!status_ && wait4(pid_, &status, WNOHANG, &usage) == pid_) {
        status_ = status;
        usage_ = usage;
    }
}

bool PtyTerminal::read_once(Clock::time_point deadline)
{
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    pollfd p{master_, POLLIN, 0};
    // Short polls, so that a program's exit is noticed even without output
    // and the time of the next output is known to within a few milliseconds.
    const int timeout_ms = static_cast<int>(std::clamp<long long>(left.count(), 0, 5));
    const Clock::time_point polled = Clock::now();
    const int ready = poll(&p, 1, timeout_ms);
    // Beyond the timer's usual slack, a late return is time the harness lost.
    held_up_ +=
        std::max(Clock::duration{}, Clock::now() - polled - std::chrono::milliseconds(timeout_ms + 1));
    if (ready == 0) {
        const Clock::time_point now = Clock::now();
        quiet_ = poll(&p, 1, 0) == 0 ? now : quiet_;
    } else if ((p.revents & POLLIN) != 0) {
        char buffer[8192];
        const Clock::time_point reading = Clock::now();
        const ssize_t n = read(master_, buffer, sizeof buffer);
        if (n > 0) {
            const Clock::time_point arrived = Clock::now();
            last_output_ = {quiet_, arrived};
            quiet_ = static_cast<std::size_t>(n) < sizeof buffer ? reading : quiet_; // read it all
            bytes_received_ += static_cast<std::size_t>(n);
            const std::string_view chunk(buffer, static_cast<size_t>(n));
            const std::string expanded = repeats_ ? repeats_->feed(chunk) : std::string(chunk);
            vterm_input_write(vt_, expanded.data(), expanded.size());
            vterm_screen_flush_damage(screen_);
            if (on_output) {
                on_output(chunk, arrived);
            }
            return true;
        }
    }
    reap();
    return false;
}

bool PtyTerminal::pump_until(const std::function<bool()>& done, Clock::duration for_at_most)
{
    const Clock::time_point start = Clock::now();
    const Clock::duration held_before = held_up_;
    const auto deadline = [&] { return start + for_at_most + (held_up_ - held_before); };
    if (done()) {
        return true;
    }
    while (Clock::now() < deadline()) {
        if (read_once(deadline()) && done()) {
            return true;
        }
        if (status_) {
            // Drain what the program wrote before it ended.
            while (read_once(Clock::now())) {
            }
            return done();
        }
    }
    return done();
}

void PtyTerminal::send(std::string_view bytes) const
{
    while (!bytes.empty()) {
        const ssize_t n = write(master_, bytes.data(), bytes.size());
        if (n < 0 && errno == EAGAIN) {
            pollfd p{master_, POLLOUT, 0};
            poll(&p, 1, 100);
            continue;
        }
        if (n <= 0) {
            return;
        }
        bytes.remove_prefix(static_cast<size_t>(n));
    }
}

void PtyTerminal::press(Key key)
{
    static constexpr VTermKey codes[] = {VTERM_KEY_NONE, VTERM_KEY_UP,    VTERM_KEY_DOWN,
                                         VTERM_KEY_LEFT, VTERM_KEY_RIGHT, VTERM_KEY_ESCAPE};
    if (key != Key::none) {
        vterm_keyboard_key(vt_, codes[static_cast<int>(key)], VTERM_MOD_NONE);
    }
}

void PtyTerminal::press(std::initializer_list<Key> keys)
{
    for (const Key k : keys) {
        press(k);
    }
}

void PtyTerminal::resize(int rows, int cols)
{
    rows_ = rows;
    cols_ = cols;
    winsize size{};
    size.ws_row = static_cast<unsigned short>(rows);
    size.ws_col = static_cast<unsigned short>(cols);
    vterm_set_size(vt_, rows, cols);
    ioctl(master_, TIOCSWINSZ, &size); // the kernel signals the program
}

char PtyTerminal::at(int r, int c) const
{
    VTermScreenCell cell{};
    vterm_screen_get_cell(screen_, VTermPos{r, c}, &cell);
    const uint32_t ch = cell.chars[0];
    return ch == 0 ? ' ' : (ch < 128 ? static_cast<char>(ch) : '?');
}

std::string PtyTerminal::row(int r) const
{
    std::string text;
    for (int c = 0; c < cols_; ++c) {
        text += at(r, c);
    }
    return text;
}

std::string PtyTerminal::screen() const
{
    std::string text;
    for (int r = 0; r < rows_; ++r) {
        text += row(r) + "|\n";
    }
    return text;
}

std::string PtyTerminal::dump() const
{
    std::string text = screen();
    const auto late = std::chrono::duration_cast<std::chrono::milliseconds>(held_up_).count();
    if (late > 0) {
        text += "(this machine kept the harness from running for " + std::to_string(late) +
                " ms in all; each wait was lengthened by what it lost)\n";
    }
    // waitid() with WNOWAIT looks without reaping.
    siginfo_t end{};
    if (status_) {
        end.si_code = WIFEXITED(*status_) ? CLD_EXITED : CLD_KILLED;
        end.si_status = WIFEXITED(*status_) ? WEXITSTATUS(*status_) : WTERMSIG(*status_);
    } else if (waitid(P_PID, pid_, &end, WEXITED | WNOHANG | WNOWAIT) != 0 || end.si_pid != pid_) {
        return text;
    }
    const std::string how = end.si_code == CLD_EXITED
                                ? "it exited with status " + std::to_string(end.si_status)
                                : "signal " + std::to_string(end.si_status) + " ended it";
    text += "(the program is no longer running: " + how + ")\n";
    return text;
}

// Opened for each use, not kept: the harness holding the program's side of
// the terminal open would keep it from hanging up when the program ends.
int PtyTerminal::open_slave() const
{
    return open(ptsname(master_), O_RDWR | O_NOCTTY);
}

int PtyTerminal::input_waiting() const
{
    const int fd = open_slave();
    int n = 0;
    ioctl(fd, FIONREAD, &n);
    close(fd);
    return n;
}

void PtyTerminal::drop_input() const
{
    const int fd = open_slave();
    tcflush(fd, TCIFLUSH);
    close(fd);
}

void PtyTerminal::write_from_elsewhere(std::string_view text) const
{
    const int fd = open_slave();
    [[maybe_unused]] const ssize_t n = write(fd, text.data(), text.size());
    close(fd);
}

int PtyTerminal::cursor_row() const
{
    VTermPos pos{};
    vterm_state_get_cursorpos(vterm_obtain_state(vt_), &pos);
    return pos.row;
}

int PtyTerminal::cursor_col() const
{
    VTermPos pos{};
    vterm_state_get_cursorpos(vterm_obtain_state(vt_), &pos);
    return pos.col;
}

termios PtyTerminal::modes() const
{
    termios t{};
    tcgetattr(master_, &t);
    return t;
}

std::optional<int> PtyTerminal::wait_exit(Clock::duration for_at_most)
{
    pump_until([this] { return status_.has_value(); }, for_at_most);
    return status_;
}

bool same_modes(const termios& a, const termios& b)
{
    return a.c_iflag == b.c_iflag && a.c_oflag == b.c_oflag && a.c_cflag == b.c_cflag &&
           a.c_lflag == b.c_lflag && std::memcmp(a.c_cc, b.c_cc, sizeof a.c_cc) == 0;
}

} // namespace term
