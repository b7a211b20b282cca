#include "platform/clock.h"

#include <random>

namespace zv::clock {

namespace {
std::optional<QDateTime> fixedAt;

constexpr uint32_t defaultSeed = 5489u;
std::mt19937& generator() {
    static std::mt19937 g(defaultSeed);
    return g;
}
}  // namespace

QDateTime now() { return fixedAt ? *fixedAt : QDateTime::currentDateTime(); }

QDate today() { return now().date(); }

QTime timeOfDay() { return now().time(); }

void setFixed(const QDateTime& at) { fixedAt = at; }

void clearFixed() { fixedAt.reset(); }

double rnd() {
    // 53 random bits, so the result is never 1.0 (std::generate_canonical may round up to it).
    std::mt19937& g = generator();
    const double high = static_cast<double>(g() >> 5);  // 27 bits
    const double low = static_cast<double>(g() >> 6);   // 26 bits
    return (high * 67108864.0 + low) / 9007199254740992.0;
}

void seedRandom(uint32_t seed) { generator().seed(seed); }

}  // namespace zv::clock
