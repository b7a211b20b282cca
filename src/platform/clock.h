#pragma once
// Today, the time of day and random numbers all come from here so tests can pin them.
#include <QDate>
#include <QDateTime>
#include <QTime>

#include <cstdint>
#include <optional>

namespace zv::clock {

QDateTime now();
QDate today();
QTime timeOfDay();

// Tests pin the clock; a pinned clock does not advance.
void setFixed(const QDateTime& at);
void clearFixed();

// One stream of pseudo-random numbers in [0, 1) for the whole program.
double rnd();
void seedRandom(uint32_t seed);

}  // namespace zv::clock
