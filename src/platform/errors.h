#pragma once
// Failures travel as AppError: a 32-bit number (numbered like the Basic
// run-time errors where callers branch on it) and a description.
#include <QString>

#include <cstdint>
#include <exception>
#include <functional>
#include <string>

namespace zv {

namespace err {
constexpr int32_t InvalidCall = 5;
constexpr int32_t Overflow = 6;
constexpr int32_t TypeMismatch = 13;
constexpr int32_t FileNotFound = 53;
constexpr int32_t PermissionDenied = 70;
constexpr int32_t PathFileAccess = 75;
constexpr int32_t PathNotFound = 76;
constexpr int32_t NoCurrentRecord = 3021;
constexpr int32_t ItemNotFound = 3265;
// Every database failure carries this number and SQLite's own message.
constexpr int32_t Database = -2147467259;
}  // namespace err

class AppError : public std::exception {
public:
    AppError(int32_t number, QString description);
    int32_t number() const noexcept { return number_; }
    const QString& description() const noexcept { return description_; }
    const char* what() const noexcept override { return what_.c_str(); }

private:
    int32_t number_;
    QString description_;
    std::string what_;
};

// Number and description of whatever was caught; non-AppError exceptions
// map to error 5 with their what() text.
struct CaughtError {
    int32_t number = 0;
    QString description;
};
CaughtError describeCurrentException();

// "Errors ignored statement by statement": run one statement, swallow its failure.
// Returns true when the statement ran without failing.
template <class F>
bool ignoring(F&& statement) noexcept {
    try {
        statement();
        return true;
    } catch (...) {
        return false;
    }
}

// Where escaped failures go at an event boundary (set by the shell to its error logger).
using ErrorSink = std::function<void(int32_t number, const QString& description, const QString& window)>;
void setErrorSink(ErrorSink sink);

// Report a failure to the sink directly (used at the windows' event boundary
// and by callers that catch an error themselves but still want it logged).
void reportToSink(int32_t number, const QString& description, const QString& window) noexcept;

}  // namespace zv
