// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <cstdlib>
#include <set>
#include <stdexcept>

#include "draw.h"
#include "fresh_game.h"

namespace
{

class Core : public ::testing::Test
{
  protected:
    void SetUp() override { fresh_game(); }
    void TearDown() override
    {
        point_rand = real_rand;
        point_clock = real_clock;
    }

    static void set_snake(std::vector<int> xs, std::vector<int> ys, int mx, int my)
    {
        snakex = std::move(xs);
        snakey = std::move(ys);
        snakelength = static_cast<int>(snakex.size());
        movx = mx;
        movy = my;
    }

    int (*real_rand)() = point_rand;
    std::time_t (*real_clock)() = point_clock;
};

// What README, the manual page and the Windows read-me tell a player, stated
// once. A rule changed on purpose changes the code, this table and those
// documents together; every other test asks the game.
TEST(Documented, RulesAndLayout)
{
    restore_program_start();
    newsnake();
    const struct {
        const char* what;
        int documented;
        int in_the_game;
    } rules[] = {
        {"field rows", 22, mapheight},
        {"field columns", 80, mapwidth},
        {"a new snake's column", 3, snakex[0]},
        {"a new snake's row", 3, snakey[0]},
        {"a new snake's heading, columns a tick (right)", 1, movx},
        {"a new snake's heading, rows a tick", 0, movy},
        {"segments a new snake grows to", 5, snakelength},
        {"lives", 5, lives},
        {"pause of a tick, ms", 100, snakespeed},
        {"a banner's time, ms", 3000, banner_pause_ms},
        {"status line's row", 23, status_row},
        {"column of \"Lives: \"", 1, lives_column},
        {"column of \"Score: \"", 11, score_column},
        {"column of \"x:\"", 69, head_column},
        {"banners' first row", 10, banner_row},
        {"death banner's column", 34, death_banner.column},
        {"win banner's column", 35, win_banner.column},
    };
    for (const auto& rule : rules) {
        EXPECT_EQ(rule.in_the_game, rule.documented)
            << rule.what << ": the documents say " << rule.documented;
    }
    const std::vector<std::string> died(std::begin(death_banner.lines), std::end(death_banner.lines));
    const std::vector<std::string> won(std::begin(win_banner.lines), std::end(win_banner.lines));
    EXPECT_EQ(died, (std::vector<std::string>{"*************", "* You died! *", "*************"}));
    EXPECT_EQ(won, (std::vector<std::string>{"************", "* You win! *", "************"}));
}

// The program's own start: nothing built, placed or scored before main(); then
// a new snake of one segment on a blank cell inside the walls, heading one
// step, with room straight ahead to grow to its length.
TEST(Start, IsANewSnakeOnAnEmptyField)
{
    restore_program_start();
    EXPECT_EQ(map, std::vector<std::string>(mapheight));
    EXPECT_GT(lives, 0);
    EXPECT_EQ(score, 0);
    EXPECT_GT(snakespeed, 0);
    EXPECT_EQ(point_number, 0);
    EXPECT_EQ(point_run, 0);
    EXPECT_TRUE(point_number_x == 0 && point_number_y == 0) << "before the first digit: the corner, a wall";

    loadmap();
    newsnake();
    ASSERT_EQ(snakex.size(), 1U);
    ASSERT_EQ(snakey.size(), 1U);
    EXPECT_GT(snakelength, 1);
    EXPECT_EQ(std::abs(movx) + std::abs(movy), 1) << "step (" << movx << "," << movy << ")";
    for (int step = 0; step < snakelength; ++step) {
        const int x = snakex[0] + step * movx;
        const int y = snakey[0] + step * movy;
        ASSERT_TRUE(x > 0 && x < mapwidth - 1 && y > 0 && y < mapheight - 1) << "(" << x << "," << y << ")";
        EXPECT_EQ(map[y][x], ' ') << "(" << x << "," << y << "), " << step << " steps from the start";
    }
}

TEST(Playfield, IsWalledAndEmptyInside)
{
    map.assign(mapheight, std::string());
    loadmap();
    ASSERT_EQ(map.size(), static_cast<std::size_t>(mapheight));
    for (const std::string& row : map) {
        ASSERT_EQ(row.size(), static_cast<std::size_t>(mapwidth));
    }
    EXPECT_EQ(map[0], std::string(mapwidth, '*'));
    EXPECT_EQ(map[mapheight - 1], std::string(mapwidth, '*'));
    for (int y = 1; y < mapheight - 1; ++y) {
        EXPECT_EQ(map[y], "*" + std::string(mapwidth - 2, ' ') + "*") << "row " << y;
    }
}

// newpointnumber() drawing from a script instead of the clock-seeded
// generator: first the cells a test offers, then every interior cell row by
// row. A search still drawing after that has passed over a free cell, and
// ends the test.
std::vector<int> script;
std::size_t script_next = 0;

int scripted_rand()
{
    if (script_next == script.size()) {
        throw std::runtime_error("every interior cell offered, and the search goes on");
    }
    return script[script_next++];
}

class Placement : public Core
{
  protected:
    struct Cell {
        int x;
        int y;
    };

    void SetUp() override
    {
        Core::SetUp();
        point_rand = scripted_rand;
    }

    // Every interior cell taken but `free`; the draws offer `first` first.
    static void only_free(std::initializer_list<Cell> free, std::initializer_list<Cell> first = {})
    {
        for (int y = 1; y < mapheight - 1; ++y) {
            map[y] = "*" + std::string(mapwidth - 2, '#') + "*";
        }
        for (const Cell c : free) {
            map[c.y][c.x] = ' ';
        }
        script.clear();
        script_next = 0;
        const auto offer = [](int x, int y) {
            script.push_back(x - 1); // rand() % (mapwidth - 2) + 1 is the column,
            script.push_back(y - 1); // rand() % (mapheight - 2) + 1 the row
        };
        for (const Cell c : first) {
            offer(c.x, c.y);
        }
        for (int y = 1; y < mapheight - 1; ++y) {
            for (int x = 1; x < mapwidth - 1; ++x) {
                offer(x, y);
            }
        }
    }

    static void expect_digit_at(int x, int y)
    {
        EXPECT_EQ(map[y][x], '0' + point_number);
        EXPECT_EQ(point_number_x, x);
        EXPECT_EQ(point_number_y, y);
    }
};

TEST_F(Placement, TakesTheOnlyFreeCellInTheLastColumnAndRow)
{
    only_free({{mapwidth - 2, mapheight - 2}});
    newpointnumber();
    expect_digit_at(mapwidth - 2, mapheight - 2);
    EXPECT_EQ(map[0][0], '*') << "no previous digit: the corner stays a wall";
    EXPECT_EQ(point_number, 1);
    EXPECT_EQ(point_run, 1);
    EXPECT_EQ(score, 0);
}

TEST_F(Placement, TakesAFreeCellInTheSnakesRowOrColumn)
{
    set_snake({20, 21, 22, 23, 24}, {10, 10, 10, 10, 10}, -1, 0);
    only_free({{40, 10}});
    newpointnumber();
    expect_digit_at(40, 10);
    only_free({{22, 15}});
    newpointnumber();
    expect_digit_at(22, 15);
}

TEST_F(Placement, RefusesEverySegmentHeadAndTailIncluded)
{
    // A new snake, one segment on its start cell, offered first.
    const Cell start{snakex[0], snakey[0]};
    only_free({start, {60, 17}}, {start});
    newpointnumber();
    expect_digit_at(60, 17);

    // A longer one: its head and its tail offered first.
    set_snake({10, 11, 12}, {5, 5, 5}, -1, 0);
    only_free({{10, 5}, {12, 5}, {30, 8}}, {{10, 5}, {12, 5}});
    newpointnumber();
    expect_digit_at(30, 8);
    EXPECT_EQ(map[5][10], ' ');
    EXPECT_EQ(map[5][12], ' ');
}

// The generator is seeded from the clock at every placement: within one
// second a placement tries the same cells again, and games started in other
// seconds put their digits elsewhere.
TEST_F(Core, PlacementsAreSeededFromTheClockEachTime)
{
    static std::time_t now = 0;
    point_clock = [] { return now; };
    const auto first_digit = [](std::time_t second) {
        now = second;
        fresh_game();
        newpointnumber();
        return std::pair{point_number_x, point_number_y};
    };
    const std::time_t second = 1796774400;
    const auto cell = first_digit(second);
    EXPECT_EQ(first_digit(second), cell) << "a second game in the same second";
    std::set<std::pair<int, int>> cells;
    for (int later = 0; later < 10; ++later) {
        cells.insert(first_digit(second + later));
    }
    EXPECT_GE(cells.size(), 8U) << "first digits of games started in ten different seconds";
}

TEST_F(Core, DigitsComeInOrderAndScoreByTheTable)
{
    const int expected_score[] = {2, 8, 20, 40, 70, 112, 168, 240, 330};
    newpointnumber();
    for (int eaten = 1; eaten <= 9; ++eaten) {
        ASSERT_EQ(point_number, eaten);
        const int old_x = point_number_x;
        const int old_y = point_number_y;
        newpointnumber();
        EXPECT_EQ(score, expected_score[eaten - 1]) << "after eating " << eaten;
        EXPECT_EQ(point_number, (eaten + 1) % 10);
        EXPECT_EQ(map[old_y][old_x], ' ') << "the eaten digit's cell is blanked";
        EXPECT_EQ(map[point_number_y][point_number_x], '0' + point_number);
        EXPECT_FALSE(point_number_x == old_x && point_number_y == old_y);
    }
    int digits = 0;
    for (const std::string& row : map) {
        for (char c : row) {
            digits += (c >= '0' && c <= '9') ? 1 : 0;
        }
    }
    EXPECT_EQ(digits, 1);
}

TEST_F(Core, EscapeQuitsBeforeAnyCollision)
{
    set_snake({mapwidth - 2}, {5}, 1, 0); // the wall is straight ahead
    EXPECT_EQ(movechar(KEY_ESC), MOVE_QUIT);
    EXPECT_EQ(snakex, std::vector<int>{mapwidth - 2});
    EXPECT_EQ(movx, 1);
}

TEST_F(Core, ReversalsAreRefusedOnTheirOwnAxis)
{
    struct Case {
        int mx, my, key, want_mx, want_my;
    };
    const Case cases[] = {
        {1, 0, ARROW_LEFT, 1, 0},   {-1, 0, ARROW_RIGHT, -1, 0}, {0, 1, ARROW_UP, 0, 1},
        {0, -1, ARROW_DOWN, 0, -1}, {1, 0, ARROW_UP, 0, -1},     {0, 1, ARROW_LEFT, -1, 0},
        {0, -1, ARROW_RIGHT, 1, 0}, {-1, 0, ARROW_DOWN, 0, 1},   {1, 0, 'x', 1, 0},
        {0, 1, NO_KEY, 0, 1},
    };
    for (const Case& c : cases) {
        fresh_game();
        set_snake({40}, {10}, c.mx, c.my);
        snakelength = 5;
        ASSERT_EQ(movechar(c.key), MOVE_CONTINUE);
        EXPECT_EQ(movx, c.want_mx) << "key " << c.key;
        EXPECT_EQ(movy, c.want_my) << "key " << c.key;
        EXPECT_EQ(snakex[0], 40 + c.want_mx);
        EXPECT_EQ(snakey[0], 10 + c.want_my);
    }
}

TEST_F(Core, CollisionsLeaveEverythingAsItWas)
{
    // A square of four segments; the head at (10,5) turns down onto the tail.
    set_snake({10, 11, 11, 10}, {5, 5, 6, 6}, -1, 0);
    const auto xs = snakex;
    const auto ys = snakey;
    const auto field = map;
    EXPECT_EQ(movechar(ARROW_DOWN), MOVE_DIED) << "the tail's cell is deadly though it would move";
    EXPECT_EQ(snakex, xs);
    EXPECT_EQ(snakey, ys);
    EXPECT_EQ(snakelength, 4);
    EXPECT_EQ(map, field);
    EXPECT_EQ(movy, 1) << "the turn itself was taken";

    set_snake({1}, {4}, 0, 1);
    EXPECT_EQ(movechar(ARROW_LEFT), MOVE_DIED) << "turning into the wall";
    EXPECT_EQ(snakex, std::vector<int>{1});
    EXPECT_EQ(map, field);
}

TEST_F(Core, EatingGrowsTheSnakeOneSegmentPerTick)
{
    set_snake({10, 9, 8, 7, 6}, {5, 5, 5, 5, 5}, 1, 0);
    snakelength = 5;
    place_digit(3, 11, 5);
    // The 4 goes to the corner (1, 1), off the snake's way: drawn from the
    // clock, it lay on the next cells of row 5 about one run in 300.
    point_rand = [] { return 0; };
    const int expected_segments[] = {5, 6, 7, 8, 8, 8};
    for (int segments : expected_segments) {
        ASSERT_EQ(movechar(NO_KEY), MOVE_CONTINUE);
        EXPECT_EQ(static_cast<int>(snakex.size()), segments);
    }
    EXPECT_EQ(snakelength, 8);
    EXPECT_EQ(point_number, 4);
    EXPECT_EQ(score, 12);
    EXPECT_EQ(map[5][11], ' ');
}

TEST_F(Core, ZeroWinsWithoutGrowing)
{
    set_snake({10, 9}, {5, 5}, 1, 0);
    place_digit(0, 11, 5);
    EXPECT_EQ(movechar(NO_KEY), MOVE_WON);
    EXPECT_EQ(snakex[0], 11);
    EXPECT_EQ(snakelength, 2);
    EXPECT_EQ(map[5][11], '0');
}

TEST_F(Core, NewSnakeGrowsOneSegmentATickToItsLength)
{
    const int length = snakelength;
    for (int tick = 1; tick <= length + 1; ++tick) {
        ASSERT_EQ(movechar(NO_KEY), MOVE_CONTINUE);
        EXPECT_EQ(static_cast<int>(snakex.size()), std::min(tick + 1, length)) << "after move " << tick;
    }
}

} // namespace
