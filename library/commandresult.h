#pragma once

#include <QString>

// What a command that the user started came to: done, cancelled by the user
// (nothing changed), or failed with the message the user was shown.
struct CommandResult
{
    enum class Status { Done, Cancelled, Failed };

    Status status = Status::Done;
    QString message;

    static CommandResult done() { return {}; }
    static CommandResult cancelled() { return {Status::Cancelled, {}}; }
    static CommandResult failed(const QString &message) { return {Status::Failed, message}; }

    bool isDone() const { return status == Status::Done; }
    bool isCancelled() const { return status == Status::Cancelled; }
    bool isFailed() const { return status == Status::Failed; }
};
