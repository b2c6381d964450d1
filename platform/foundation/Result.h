#pragma once
// The outcome of work that can fail: a value and, on failure, the reason in
// words fit for a log line or an alert. ok() exactly when there is no reason,
// and a failure always has one (an empty reason is replaced), so a failure can
// never pass for a success. A failure may keep a value too, for work that has
// something to show either way (a program's output). Result<> has no value.
// Thread: a plain value, any thread.

#include <QString>

#include <utility>

class ResultReason {
public:
    bool ok() const { return m_reason.isEmpty(); }
    // Empty exactly when ok().
    const QString& reason() const { return m_reason; }

protected:
    ResultReason() = default;
    explicit ResultReason(const QString& reason)
        : m_reason(reason.isEmpty() ? QStringLiteral("no reason was given") : reason)
    {
    }

private:
    QString m_reason;
};

template <typename T = void>
class Result : public ResultReason {
public:
    static Result success(T value) { return Result(std::move(value)); }
    static Result failure(const QString& reason, T value = T()) { return Result(std::move(value), reason); }

    // On failure, whatever the work left (often the empty value).
    const T& value() const { return m_value; }

private:
    explicit Result(T value) : m_value(std::move(value)) {}
    Result(T value, const QString& reason) : ResultReason(reason), m_value(std::move(value)) {}

    T m_value;
};

template <>
class Result<void> : public ResultReason {
public:
    static Result success() { return Result(); }
    static Result failure(const QString& reason) { return Result(reason); }

private:
    Result() = default;
    explicit Result(const QString& reason) : ResultReason(reason) {}
};
