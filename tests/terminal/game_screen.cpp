// SPDX-License-Identifier: MIT
#include "game_screen.h"

#include <algorithm>
#include <cstdio>
#include <queue>

namespace term
{

namespace
{

bool free_cell(const PtyTerminal& t, Cell c)
{
    if (c.x <= 0 || c.y <= 0 || c.x >= mapwidth - 1 || c.y >= mapheight - 1) {
        return false;
    }
    const char ch = t.at(c.y, c.x);
    return ch != '*' && ch != '@';
}

// Breadth-first distances from `from` over free cells.
std::vector<int> distances(const PtyTerminal& t, Cell from)
{
    std::vector<int> dist(static_cast<std::size_t>(mapheight) * mapwidth, -1);
    std::queue<Cell> todo;
    dist[from.y * mapwidth + from.x] = 0;
    todo.push(from);
    while (!todo.empty()) {
        const Cell c = todo.front();
        todo.pop();
        for (const Direction& d : directions) {
            const Cell n = c + d.step;
            if (free_cell(t, n) && dist[n.y * mapwidth + n.x] < 0) {
                dist[n.y * mapwidth + n.x] = dist[c.y * mapwidth + c.x] + 1;
                todo.push(n);
            }
        }
    }
    return dist;
}

// Erase in Display (ESC [ J, with a parameter 0 to 3 or none) that ends in
// `text` at or after `from`.
int erasures_of_display(const std::string& text, std::size_t from)
{
    int found = 0;
    for (std::size_t at = text.find("\x1b["); at != std::string::npos; at = text.find("\x1b[", at + 1)) {
        std::size_t end = at + 2;
        while (end < text.size() && text[end] >= '0' && text[end] <= '3') {
            ++end;
        }
        found += end < text.size() && end >= from && end - at <= 3 && text[end] == 'J' ? 1 : 0;
    }
    return found;
}

// The status line as the game draws it, without the blanks after it.
std::string status_text(const Status& s)
{
    std::string line(head_column, ' ');
    const std::string lives_item = "Lives: " + std::to_string(s.lives);
    const std::string score_item = "Score: " + std::to_string(s.score);
    line.replace(lives_column, lives_item.size(), lives_item);
    line.replace(score_column, score_item.size(), score_item);
    return line + "x:" + std::to_string(s.head.x) + " y:" + std::to_string(s.head.y);
}

} // namespace

// Read at the items' columns, then accepted only if it is exactly what the
// game draws for what was read: a line half drawn over the last is not.
std::optional<Status> status_line(const PtyTerminal& t)
{
    std::string line = t.row(status_row);
    line.erase(line.find_last_not_of(' ') + 1);
    Status s{};
    if (line.size() <= head_column || std::sscanf(line.c_str() + lives_column, "Lives: %d", &s.lives) != 1 ||
        std::sscanf(line.c_str() + score_column, "Score: %d", &s.score) != 1 ||
        std::sscanf(line.c_str() + head_column, "x:%d y:%d", &s.head.x, &s.head.y) != 2 ||
        status_text(s) != line) {
        return std::nullopt;
    }
    return s;
}

std::optional<Status> read_status(const PtyTerminal& t)
{
    const std::optional<Status> s = status_line(t);
    if (!s || t.cursor_row() != status_row || t.cursor_col() != static_cast<int>(status_text(*s).size())) {
        return std::nullopt;
    }
    return s;
}

std::optional<Status> next_frame(PtyTerminal& t, const std::optional<Status>& previous,
                                 Clock::duration for_at_most)
{
    std::optional<Status> seen;
    t.pump_until(
        [&] {
            seen = read_status(t);
            return seen && seen != previous;
        },
        for_at_most);
    return seen != previous ? seen : std::nullopt;
}

bool whole_frame(const PtyTerminal& t)
{
    const std::string wall(mapwidth, '*');
    if (t.row(0).compare(0, mapwidth, wall) != 0 || t.row(mapheight - 1).compare(0, mapwidth, wall) != 0) {
        return false;
    }
    for (int y = 1; y < mapheight - 1; ++y) {
        if (t.at(y, 0) != '*' || t.at(y, mapwidth - 1) != '*') {
            return false;
        }
    }
    return status_line(t).has_value();
}

bool clean_frame(const PtyTerminal& t)
{
    for (int y = 0; y < status_row; ++y) {
        if (t.row(y).find_first_not_of(y < mapheight ? "*@ 0123456789" : " ") != std::string::npos) {
            return false;
        }
    }
    return whole_frame(t); // the status line, which takes its whole row
}

FrameWatch::FrameWatch(PtyTerminal& t) : t_(t), chained_(t.on_output)
{
    t_.on_output = [this](std::string_view chunk, Clock::time_point when) {
        if (chained_) {
            chained_(chunk, when);
        }
        const bool whole = whole_frame(t_);
        const bool first = !started_ && whole; // may begin with the clear of start-up
        started_ = started_ || whole;
        const std::string text = unfinished_ + std::string(chunk);
        unfinished_ = text.substr(text.size() - std::min<std::size_t>(text.size(), 3));
        if (!started_) {
            return;
        }
        if (!first) {
            clears_ += erasures_of_display(text, text.size() - chunk.size());
        }
        ++chunks_;
        if (!whole) {
            if (partial_++ == 0) {
                first_partial_ = t_.screen();
            }
            return;
        }
        const std::optional<Status> status = status_line(t_);
        if (status != shown_) {
            ++frames_;
            shown_ = status;
        }
    };
}

FrameWatch::~FrameWatch()
{
    stop();
}

void FrameWatch::stop()
{
    t_.on_output = chained_;
}

std::vector<Cell> snake_cells(const PtyTerminal& t)
{
    std::vector<Cell> cells;
    for (int y = 0; y < mapheight; ++y) {
        for (int x = 0; x < mapwidth; ++x) {
            if (t.at(y, x) == '@') {
                cells.push_back({x, y});
            }
        }
    }
    return cells;
}

std::vector<Cell> in_screen_order(std::vector<Cell> cells)
{
    std::sort(cells.begin(), cells.end(), [](Cell a, Cell b) { return a.y != b.y ? a.y < b.y : a.x < b.x; });
    return cells;
}

std::optional<Cell> digit_cell(const PtyTerminal& t)
{
    for (int y = 1; y < mapheight - 1; ++y) {
        for (int x = 1; x < mapwidth - 1; ++x) {
            const char ch = t.at(y, x);
            if (ch >= '0' && ch <= '9') {
                return Cell{x, y};
            }
        }
    }
    return std::nullopt;
}

bool shows_banner(const PtyTerminal& t, const Banner& banner)
{
    int row = banner_row;
    for (const std::string line : banner.lines) {
        if (t.row(row++).compare(banner.column, line.size(), line) != 0) {
            return false;
        }
    }
    return true;
}

Key arrow_towards_digit(const PtyTerminal& t, Cell head, Cell heading)
{
    const std::optional<Cell> digit = digit_cell(t);
    const std::vector<int> from_digit = digit ? distances(t, *digit) : std::vector<int>{};
    Key best_key = Key::none;
    long best = -1;
    for (const Direction& dir : directions) {
        const Cell n = head + dir.step;
        const bool reverse = dir.step.x == -heading.x && dir.step.y == -heading.y;
        if (reverse || !free_cell(t, n)) {
            continue;
        }
        // Prefer the shortest way to the digit; failing that, the most room.
        const int d = digit ? from_digit[n.y * mapwidth + n.x] : -1;
        long score = 0;
        if (d >= 0) {
            score = 1000000L - d;
        } else {
            const std::vector<int> room = distances(t, n);
            score = static_cast<long>(std::count_if(room.begin(), room.end(), [](int v) { return v >= 0; }));
        }
        if (score > best) {
            best = score;
            best_key = dir.key;
        }
    }
    return best_key;
}

} // namespace term
