#include "SecretServiceStore.h"

#include "Keychain.h"

#include <QDebug>
#include <QFileInfo>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

// libsecret's headers use "signals" and friends, which Qt defines as macros.
#undef signals
#undef slots
#undef emit
#include <libsecret/secret.h>

namespace {

// Items of any origin match: only the two attributes count, not the schema's name.
const SecretSchema kSchema = {"org.brevanto.GenericPassword",
                              SECRET_SCHEMA_DONT_MATCH_NAME,
                              {{"service", SECRET_SCHEMA_ATTRIBUTE_STRING},
                               {"account", SECRET_SCHEMA_ATTRIBUTE_STRING},
                               {nullptr, SECRET_SCHEMA_ATTRIBUTE_STRING}},
                              0, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr};

// Long enough for a person to answer an unlock prompt.
constexpr std::chrono::seconds kCallDeadline {90};
constexpr std::chrono::seconds kProbeDeadline {5};

// A cancellable that a watch thread cancels when the deadline passes before the call ends.
class CallDeadline {
public:
    explicit CallDeadline(std::chrono::milliseconds limit)
        : mCancellable(g_cancellable_new()), mWatch([this, limit] { Watch(limit); })
    {
    }
    ~CallDeadline()
    {
        {
            std::lock_guard lock(mMutex);
            mFinished = true;
        }
        mChanged.notify_one();
        mWatch.join();
        g_object_unref(mCancellable);
    }
    CallDeadline(const CallDeadline&) = delete;
    CallDeadline& operator=(const CallDeadline&) = delete;

    GCancellable* Cancellable() const { return mCancellable; }
    bool Expired()
    {
        std::lock_guard lock(mMutex);
        return mExpired;
    }

private:
    void Watch(std::chrono::milliseconds limit)
    {
        std::unique_lock lock(mMutex);
        if (mChanged.wait_for(lock, limit, [this] { return mFinished; }))
            return;
        mExpired = true;
        g_cancellable_cancel(mCancellable);
    }

    GCancellable* mCancellable;
    std::mutex mMutex;
    std::condition_variable mChanged;
    bool mFinished = false;
    bool mExpired = false;
    std::thread mWatch;
};

// The status of a failed call, its reason logged; frees the error.
OSStatus StatusOf(GError* error, CallDeadline& deadline, const char* what)
{
    OSStatus status = errSecNotAvailable;
    if (deadline.Expired() || g_error_matches(error, SECRET_ERROR, SECRET_ERROR_IS_LOCKED)
        || g_error_matches(error, G_IO_ERROR, G_IO_ERROR_CANCELLED))
        status = errSecAuthFailed;
    qWarning().noquote() << "Keychain: the Secret Service could not" << what << "the password:"
                         << (deadline.Expired() ? "no answer before the deadline"
                                                : error ? error->message : "no reason given");
    if (error)
        g_error_free(error);
    return status;
}

// The session bus's address, never one that would start a bus: the environment's, else the
// user's bus socket under XDG_RUNTIME_DIR when it is there.
QByteArray SessionBusAddress()
{
    const QByteArray address = qgetenv("DBUS_SESSION_BUS_ADDRESS");
    if (!address.isEmpty())
        return address;
    const QString socket = qEnvironmentVariable("XDG_RUNTIME_DIR") + "/bus";
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR") || !QFileInfo(socket).exists())
        return {};
    return "unix:path=" + QFile::encodeName(socket);
}

bool BusAnswers(GDBusConnection* bus, const char* method, const char* name, GCancellable* cancellable)
{
    GVariant* parameters = name ? g_variant_new("(s)", name) : nullptr;
    GVariant* reply = g_dbus_connection_call_sync(bus, "org.freedesktop.DBus", "/org/freedesktop/DBus",
                                                  "org.freedesktop.DBus", method, parameters, nullptr,
                                                  G_DBUS_CALL_FLAGS_NONE, 3000, cancellable, nullptr);
    if (!reply)
        return false;
    bool found = false;
    if (name) {
        gboolean owned = FALSE;
        g_variant_get(reply, "(b)", &owned);
        found = owned;
    } else {
        GVariantIter* names = nullptr;
        g_variant_get(reply, "(as)", &names);
        const gchar* each = nullptr;
        while (!found && g_variant_iter_loop(names, "&s", &each))
            found = g_strcmp0(each, "org.freedesktop.secrets") == 0;
        g_variant_iter_free(names);
    }
    g_variant_unref(reply);
    return found;
}

} // namespace

bool SecretServiceStore::IsReachable()
{
    const QByteArray address = SessionBusAddress();
    if (address.isEmpty())
        return false;
    CallDeadline deadline(kProbeDeadline);
    GDBusConnection* bus = g_dbus_connection_new_for_address_sync(
        address.constData(),
        GDBusConnectionFlags(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT
                             | G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
        nullptr, deadline.Cancellable(), nullptr);
    if (!bus)
        return false;
    const bool reachable = BusAnswers(bus, "NameHasOwner", "org.freedesktop.secrets", deadline.Cancellable())
        || BusAnswers(bus, "ListActivatableNames", nullptr, deadline.Cancellable());
    g_dbus_connection_close_sync(bus, nullptr, nullptr);
    g_object_unref(bus);
    return reachable;
}

OSStatus SecretServiceStore::Find(const QString& service, const QByteArray& account, QByteArray* outPassword)
{
    CallDeadline deadline(kCallDeadline);
    GError* error = nullptr;
    const QByteArray serviceBytes = service.toUtf8();
    SecretValue* value = secret_password_lookup_binary_sync(&kSchema, deadline.Cancellable(), &error, "service",
                                                            serviceBytes.constData(), "account",
                                                            account.constData(), nullptr);
    if (error)
        return StatusOf(error, deadline, "look up");
    if (!value)
        return errSecItemNotFound;
    gsize length = 0;
    const gchar* bytes = secret_value_get(value, &length);
    *outPassword = QByteArray(bytes, qsizetype(length));
    secret_value_unref(value);
    return noErr;
}

OSStatus SecretServiceStore::Store(const QString& service, const QByteArray& account, const QByteArray& password,
                                   bool inReplace)
{
    if (!inReplace) {
        QByteArray existing;
        const OSStatus found = Find(service, account, &existing);
        if (found == noErr)
            return errSecDuplicateItem;
        if (found != errSecItemNotFound)
            return found;
    }
    CallDeadline deadline(kCallDeadline);
    GError* error = nullptr;
    const QByteArray serviceBytes = service.toUtf8();
    const QByteArray label = serviceBytes + ": " + account;
    SecretValue* value = secret_value_new(password.constData(), password.size(), "text/plain");
    const gboolean stored = secret_password_store_binary_sync(
        &kSchema, SECRET_COLLECTION_DEFAULT, label.constData(), value, deadline.Cancellable(), &error, "service",
        serviceBytes.constData(), "account", account.constData(), nullptr);
    secret_value_unref(value);
    return stored ? noErr : StatusOf(error, deadline, "store");
}

OSStatus SecretServiceStore::Delete(const QString& service, const QByteArray& account)
{
    CallDeadline deadline(kCallDeadline);
    GError* error = nullptr;
    const QByteArray serviceBytes = service.toUtf8();
    const gboolean removed = secret_password_clear_sync(&kSchema, deadline.Cancellable(), &error, "service",
                                                        serviceBytes.constData(), "account",
                                                        account.constData(), nullptr);
    if (error)
        return StatusOf(error, deadline, "delete");
    return removed ? noErr : errSecItemNotFound;
}
