#include "platform/errors.h"

#include <QDebug>

#include <utility>

namespace zv {

AppError::AppError(int32_t number, QString description)
    : number_(number),
      description_(std::move(description)),
      what_((QString::number(number) + QStringLiteral(": ") + description_).toStdString()) {}

CaughtError describeCurrentException() {
    const std::exception_ptr current = std::current_exception();
    if (!current)
        return {err::InvalidCall, QStringLiteral("No error")};
    try {
        std::rethrow_exception(current);
    } catch (const AppError& e) {
        return {e.number(), e.description()};
    } catch (const std::exception& e) {
        return {err::InvalidCall, QString::fromUtf8(e.what())};
    } catch (...) {
        return {err::InvalidCall, QStringLiteral("Unknown error")};
    }
}

namespace {
ErrorSink& sinkSlot() {
    static ErrorSink sink;
    return sink;
}
}  // namespace

void setErrorSink(ErrorSink sink) { sinkSlot() = std::move(sink); }

void reportToSink(int32_t number, const QString& description, const QString& window) noexcept {
    try {
        if (const ErrorSink& sink = sinkSlot()) {
            sink(number, description, window);
            return;
        }
        // No logger yet (early start-up, tools): at least say it on stderr.
        qWarning().noquote() << window << number << description;
    } catch (...) {
        // The logger itself failed; there is nowhere left to report to.
    }
}

}  // namespace zv
