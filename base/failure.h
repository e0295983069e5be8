#pragma once

#include <QByteArray>
#include <QCoreApplication>
#include <QString>

#include <exception>

// A failure that ends the handler it happens in. Its message is the one the
// user sees in the error box, worded by the layer that failed.
class Failure : public std::exception
{
    // Failure::tr() translates the messages of the layers below the window.
    Q_DECLARE_TR_FUNCTIONS(Failure)

public:
    // What a caller may need to tell apart; the message says the rest.
    enum class Kind { General, TooLarge, Cancelled };

    explicit Failure(QString message, Kind kind = Kind::General)
        : m_message(std::move(message))
        , m_utf8(m_message.toUtf8())
        , m_kind(kind)
    {
    }

    const QString &message() const noexcept { return m_message; }
    Kind kind() const noexcept { return m_kind; }
    const char *what() const noexcept override { return m_utf8.constData(); }

    // The user ended the action (or the window closed) while it waited.
    static Failure cancelled() { return Failure(Failure::tr("Cancelled"), Kind::Cancelled); }

    static Failure indexOutOfBounds(qsizetype index)
    {
        return Failure(Failure::tr("List index out of bounds (%1)").arg(index));
    }

private:
    QString m_message;
    QByteArray m_utf8;
    Kind m_kind;
};

// The message with a full stop appended when its last character's code is above
// that of "." (46).
QString withFullStop(const QString &message);

// The message of any exception: a Failure's own, a standard exception's text,
// or a plain note for anything else. For the places that report failures.
QString failureMessage(const std::exception_ptr &error);
