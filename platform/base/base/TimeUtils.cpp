#include "base/TimeUtils.h"

#include <cstdio>
#include <ctime>

#include "base/Logger.h"

static constexpr const char* kLogModule = "base/TimeUtils";

namespace quillex {

namespace {

constexpr int64_t kTicksPerSecond = 10'000'000;

bool isLeap(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int daysInMonth(int year, int month) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && isLeap(year) ? 29 : kDays[month - 1];
}

// Days since 1970-01-01 of a proleptic Gregorian date.
int64_t daysFromCivil(int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

class Cursor {
public:
    explicit Cursor(const std::string& text) : text_(text) {}
    bool atEnd() const { return pos_ >= text_.size(); }
    char peek() const { return atEnd() ? '\0' : text_[pos_]; }
    bool take(char c) {
        if (peek() != c) return false;
        ++pos_;
        return true;
    }
    bool digits(size_t count, int& value) {
        value = 0;
        for (size_t k = 0; k < count; ++k) {
            const char c = peek();
            if (c < '0' || c > '9') return false;
            value = value * 10 + (c - '0');
            ++pos_;
        }
        return true;
    }
    void skipBlanks() {
        while (peek() == ' ' || peek() == '\t') ++pos_;
    }

private:
    const std::string& text_;
    size_t pos_ = 0;
};

struct Fields {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    int64_t fractionTicks = 0;
    bool hasOffset = false;
    int offsetSeconds = 0;
};

bool parseFields(const std::string& text, Fields& f) {
    Cursor c(text);
    c.skipBlanks();
    if (!c.digits(4, f.year) || !c.take('-') || !c.digits(2, f.month) || !c.take('-') || !c.digits(2, f.day))
        return false;
    if (!c.take(' ') && !c.take('T')) return false;
    if (!c.digits(2, f.hour) || !c.take(':') || !c.digits(2, f.minute) || !c.take(':') || !c.digits(2, f.second))
        return false;
    if (c.take('.')) {
        int64_t scale = kTicksPerSecond;
        int digitsSeen = 0;
        while (c.peek() >= '0' && c.peek() <= '9') {
            int d = 0;
            c.digits(1, d);
            if (scale >= 10) {
                scale /= 10;
                f.fractionTicks += d * scale;
            }
            ++digitsSeen;
        }
        if (digitsSeen == 0) return false;
    }
    c.skipBlanks();
    if (c.peek() == '+' || c.peek() == '-') {
        const bool negative = c.peek() == '-';
        c.take(c.peek());
        int hh = 0, mm = 0;
        if (!c.digits(2, hh) || !c.digits(2, mm) || hh > 23 || mm > 59) return false;
        f.hasOffset = true;
        f.offsetSeconds = (negative ? -1 : 1) * (hh * 3600 + mm * 60);
        c.skipBlanks();
    }
    if (!c.atEnd()) return false;
    return f.month >= 1 && f.month <= 12 && f.day >= 1 && f.day <= daysInMonth(f.year, f.month) && f.hour <= 23 &&
           f.minute <= 59 && f.second <= 59;
}

// Local broken-down time of the second containing `time`; false when out of range.
bool toLocal(FileTimePoint time, std::tm& local) {
    const int64_t ticks = time.time_since_epoch().count();
    int64_t seconds = ticks / kTicksPerSecond;
    if (ticks % kTicksPerSecond < 0) --seconds;  // toward the past
    const std::time_t t = static_cast<std::time_t>(seconds);
    if (localtime_r(&t, &local) == nullptr) return false;
    const long year = static_cast<long>(local.tm_year) + 1900;
    return year >= 0 && year <= 9999;
}

std::string formatLocal(const std::tm& local) {
    char buffer[80];
    std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d %02d:%02d:%02d", local.tm_year + 1900, local.tm_mon + 1,
                  local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
    return buffer;
}

}  // namespace

FileTimePoint parseLocalTimeString(const std::string& text) {
    Fields f;
    if (!parseFields(text, f)) {
        ZX_LOG(3, "Invalid local time text '%s', using the epoch.", text.c_str());
        return FileTimePoint{};
    }
    int64_t seconds;
    if (f.hasOffset) {
        seconds = daysFromCivil(f.year, static_cast<unsigned>(f.month), static_cast<unsigned>(f.day)) * 86400 +
                  f.hour * 3600 + f.minute * 60 + f.second - f.offsetSeconds;
    } else {
        std::tm local{};
        local.tm_year = f.year - 1900;
        local.tm_mon = f.month - 1;
        local.tm_mday = f.day;
        local.tm_hour = f.hour;
        local.tm_min = f.minute;
        local.tm_sec = f.second;
        local.tm_isdst = -1;  // let the time zone rules decide
        local.tm_wday = -1;   // stays -1 only if mktime fails
        const std::time_t t = std::mktime(&local);
        if (local.tm_wday == -1) {
            ZX_LOG(3, "Local time '%s' cannot be represented, using the epoch.", text.c_str());
            return FileTimePoint{};
        }
        seconds = static_cast<int64_t>(t);
    }
    return FileTimePoint(FileTimePoint::duration(seconds * kTicksPerSecond + f.fractionTicks));
}

std::string timePointToString(FileTimePoint time) {
    std::tm local{};
    if (!toLocal(time, local)) {
        ZX_LOG(3, "Time point %lld cannot be shown as a local date.",
               static_cast<long long>(time.time_since_epoch().count()));
        return {};
    }
    return formatLocal(local);
}

std::string timePointToZonedString(FileTimePoint time) {
    std::tm local{};
    if (!toLocal(time, local)) {
        ZX_LOG(3, "Time point %lld cannot be shown as a local date.",
               static_cast<long long>(time.time_since_epoch().count()));
        return {};
    }
    long offset = local.tm_gmtoff;
    // Historic offsets with seconds cannot be written as +HHMM; plain local
    // time still reads back through mktime.
    if (offset % 60 != 0) return formatLocal(local);
    const char sign = offset < 0 ? '-' : '+';
    if (offset < 0) offset = -offset;
    const long minutes = offset / 60;
    char zone[16];
    std::snprintf(zone, sizeof zone, " %c%02ld%02ld", sign, (minutes / 60) % 100, minutes % 60);
    return formatLocal(local) + zone;
}

}  // namespace quillex
