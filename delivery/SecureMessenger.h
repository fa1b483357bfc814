// SecureMessenger: the C++ face of the secure SMTP path. Pure C++ (no Qt, no Objective-C), so
// that both the program's C++ code and the Objective-C++ classes SMTP and SSMTP include it.
//
// A conversation runs on the GUI thread's run loop, driven from the calling thread by the
// socket's readiness: the call handles what the run loop has ready without waiting, inside its
// own autorelease pool, and then, with no pool open, waits through `waitReadable` until the
// server's next bytes arrive (at most a short slice, so the idle deadline and the watchdog are
// checked); while the client still has bytes to write, or without `waitReadable`, it calls
// `yield` instead. It returns when the conversation ended at a callback or when nothing (no
// callback, no byte) happened for `timeoutSeconds`; in that case the request is cancelled and
// the outcome says "timed out". The TLS handshake is the exception: it runs in non-blocking
// steps inside a run-loop callback and waits for the server's bytes there, without yielding
// (other threads running the same run loop would interleave with it), for its round trips
// only and never longer than the time-out.
//
// Every conversation goes through TLS before it authenticates: STARTTLS on the greeting's
// service, or TLS from the first byte (implicit). Certificates are verified against caFile
// (the system bundle unless changed) unless the server's "accept any certificate" choice is
// set; the choice is applied just before each TLS start. The certificate must name the server's
// host as given (a name, or the IPv4 literal). IPv4 only.
//
// Threads: the GUI thread or a cooperative thread on it, with a stack of 1 MiB or more.
// Failures never throw: they come back as the outcome's text.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

enum class ESecureTLSMode { startTLS, implicitTLS };

// Port 465 speaks TLS from the first byte; every other port upgrades with STARTTLS.
ESecureTLSMode TLSModeForPort(uint16_t port);
// More ports that speak TLS from the first byte (tests' TLS fronts on free ports); {} for none.
void SetImplicitTLSTestPorts(const std::vector<uint16_t>& ports);

inline constexpr uint16_t kDefaultSMTPPort = 25;
inline constexpr int kDefaultSecureTimeoutSeconds = 15;

// "Network Timeout" as the secure path counts it: values below 1 count as 15.
int SecureTimeoutSeconds(int networkTimeout);

// The CA bundle used when verification is on; the system bundle unless a test changes it.
const std::string& SecureCAFile();
void SetSecureCAFile(const std::string& path);

// The authentication popup's choice. A send with `automatic` (or without a user name) goes
// without AUTH; the server check picks a mechanism from what the server offers.
enum class ESecureMechanism { automatic, plain, login, cramMD5 };

// "PLAIN", "LOGIN", "CRAM-MD5"; "Automatic" for automatic.
const char* SecureMechanismName(ESecureMechanism mechanism);

// The server record: everything a conversation needs of the server, read once when a send job
// (or a server check) starts.
struct SecureServer {
    std::string host;       // a name or an IPv4 literal; resolved here to an IPv4 literal
    uint16_t port = kDefaultSMTPPort;  // 0 is refused with "invalid port"
    ESecureTLSMode tlsMode = ESecureTLSMode::startTLS;
    bool acceptAnyCertificate = false;
    int timeoutSeconds = kDefaultSecureTimeoutSeconds;
    // A limit on the whole conversation, however active the server stays (one that trickles a
    // byte at a time never reaches the idle time-out); 0 for none.
    int limitMilliseconds = 0;
    std::string username;
    std::string password;
    ESecureMechanism mechanism = ESecureMechanism::automatic;
};

// The envelope of one message: addr-specs made by SecureEnvelopeAddress (the one rule).
struct SecureEnvelope {
    std::string sender;
    std::vector<std::string> to, cc, bcc;  // not all empty for a send
};

// The addr-spec of a header form ("Name <a@b>" or "a@b"); empty when there is none fit for
// MAIL FROM / RCPT TO: no controls, blanks, angle brackets, quotes or commas, an "@" that is
// neither first nor last, and no line break anywhere in the form.
std::string SecureEnvelopeAddress(const std::string& headerForm);

// The envelope of header forms; blank forms are skipped. False with the first unfit form in
// `unfit` (the sender's when it is the one).
bool MakeSecureEnvelope(const std::string& sender, const std::vector<std::string>& to,
                        const std::vector<std::string>& cc, const std::vector<std::string>& bcc,
                        SecureEnvelope& envelope, std::string& unfit);

struct SecureMessageRequest {
    SecureServer server;
    std::string source;     // the built message, CRLF lines, ending in CRLF; sent byte for byte
    SecureEnvelope envelope;
};

// Waits until the descriptor is readable (an error or hang-up counts) or the milliseconds pass.
using SecureWaitReadable = std::function<void(int descriptor, int milliseconds)>;

struct SecureMessengerHooks {
    std::function<void(const std::string&)> status;  // each status text as it is set
    std::function<void()> yield;                     // between run-loop passes
    SecureWaitReadable waitReadable;                 // for the server's bytes (see the top)
};

struct SecureMessageOutcome {
    bool succeeded = false;
    bool timedOut = false;
    std::string message;    // the last status text
};

// TLS handles alive in the process, counted from the first call on (each conversation's goes
// with it): for leak checks.
int SecureTLSHandlesAlive();

// Sends one message over a conversation of its own (the SMTP class). Never throws.
SecureMessageOutcome SendSecureMessageData(const SecureMessageRequest& request, const SecureMessengerHooks& hooks);

// One conversation that carries message after message (a batch job's). The first Send connects,
// upgrades to TLS and authenticates; each later one resets the transaction (RSET) and sends over
// the same connection while it lives. A message the server refuses (a 5xx to RCPT, a 4xx to
// DATA) fails alone and the conversation stays; a failure that ends the conversation (a lost
// connection, a time-out, a refused log-in) fails that message, and the next Send opens a new
// one. A conversation found ended before the next message's transaction began (the server
// closed it while idle, or at the RSET) is replaced at once: nothing of that message had gone
// out, so it is not counted as failed. The connection is closed when the session ends.
// `hooks` must outlive the session. Same threads as above; never throws.
class SecureMessageSession {
public:
    SecureMessageSession(const SecureServer& server, const SecureMessengerHooks& hooks);
    ~SecureMessageSession();
    SecureMessageSession(const SecureMessageSession&) = delete;
    SecureMessageSession& operator=(const SecureMessageSession&) = delete;

    SecureMessageOutcome Send(const std::string& source, const SecureEnvelope& envelope);

    // Conversations opened so far.
    int ConversationsOpened() const { return mOpened; }

private:
    struct Conversation;
    void Close();

    SecureServer mServer;
    const SecureMessengerHooks& mHooks;
    Conversation* mConversation = nullptr;
    int mOpened = 0;
};

// The server check (the SSMTP class): connects, upgrades to TLS, reads the mechanisms and,
// with reallySend, authenticates and sends a short message to `address`.
struct SecureCheckRequest {
    SecureServer server;
    bool reallySend = false;
    std::string address;    // sender and recipient of the test message
    std::string subject;
    std::string body;
    bool asHTML = false;
};

struct SecureCheckHooks {
    std::function<void(const std::string&)> log;                  // the check's own log lines
    std::function<void(const std::string&)> mechanismsDetected;   // the detected-mechanisms text
    std::function<void()> checkSucceeded;                         // the TLS step and greeting worked
    std::function<void(int menuItem, const std::string&)> mechanismChosen;  // 2/3/4 and the status text
    std::function<void()> beep;
    std::function<void()> yield;
    SecureWaitReadable waitReadable;
};

struct SecureCheckOutcome {
    bool succeeded = false; // check-succeeded as the window gets it
    bool timedOut = false;
};

// Runs until the check is done (check-done = 1 for the window). Never throws.
SecureCheckOutcome RunSecureServerCheck(const SecureCheckRequest& request, const SecureCheckHooks& hooks);
