#!/usr/bin/python3
"""SMTP test peer (aiosmtpd) for the delivery tests.

Listens on a free loopback port and prints "PORT <n>" on standard output once it accepts
connections. It stops on SIGTERM or when its standard input closes.

Modes:
  starttls   STARTTLS offered and required before MAIL; AUTH only after TLS
  implicit   TLS from the first byte (the port speaks TLS at once); AUTH allowed (auth_require_tls off)
  plain      no TLS at all; AUTH allowed in clear (auth_require_tls off)
  silent     accepts connections and never sends a byte
  silent-tls accepts, completes a TLS handshake, then never sends a byte

Authentication: --user NAME:PASSWORD (repeatable) fills the accounts. PLAIN and LOGIN go through
the authenticator; CRAM-MD5 is a handler method that checks the HMAC itself. --mechanisms
limits what EHLO offers ("" offers no AUTH at all).

Refusals: --refuse ADDRESS (repeatable) answers RCPT TO that address with 550; a DATA in the
same transaction then gets 451, so nothing of it is stored.

Failing DATA: --fail-data-every N answers every N-th DATA of the server's life (counted over all
sessions) with --fail-code (451 unless given) instead of storing the message.

Spool (--spool DIR; without it nothing is recorded, as the benchmark wants):
  commands.log        one JSON object per client command: session, tls, verb, arg
  message-NNNN.eml    the exact DATA bytes of each accepted message (dot-unstuffed)
  message-NNNN.json   its envelope: mail_from, rcpt_tos, tls, auth (mechanism, login) or null
  server-names.log    per TLS handshake, the server name the client asked for (SNI), "-" for none
Each file appears whole (written aside, then renamed).
"""
import argparse
import asyncio
import base64
import hashlib
import hmac
import itertools
import json
import os
import secrets
import signal
import ssl
import sys
import threading
import time
import warnings

from aiosmtpd.smtp import MISSING, SMTP, AuthResult, LoginPassword

ALL_MECHANISMS = ("PLAIN", "LOGIN", "CRAM-MD5")
SESSION_IDS = itertools.count(1)
MESSAGE_IDS = itertools.count(1)


def write_whole(path, data):
    temporary = path + ".part"
    with open(temporary, "wb") as out:
        out.write(data)
    os.replace(temporary, path)


class Spool:
    def __init__(self, folder):
        self.folder = folder
        self.lock = threading.Lock()
        if folder:
            os.makedirs(folder, exist_ok=True)

    def append_line(self, name, line):
        if not self.folder:
            return
        with self.lock, open(os.path.join(self.folder, name), "a", encoding="utf-8") as log:
            log.write(line + "\n")

    def command(self, session_id, tls, verb, arg):
        self.append_line("commands.log", json.dumps({"session": session_id, "tls": tls, "verb": verb, "arg": arg}))

    def server_name(self, name):
        self.append_line("server-names.log", name or "-")

    def message(self, envelope, tls, auth):
        if not self.folder:
            return
        number = next(MESSAGE_IDS)
        base = os.path.join(self.folder, "message-%04d" % number)
        write_whole(base + ".eml", bytes(envelope.original_content or b""))
        meta = {"mail_from": envelope.mail_from, "rcpt_tos": list(envelope.rcpt_tos), "tls": tls, "auth": auth}
        write_whole(base + ".json", json.dumps(meta).encode("utf-8"))


class Accounts:
    """PLAIN and LOGIN credentials checked by aiosmtpd's authenticator hook."""

    def __init__(self, pairs):
        self.passwords = {}
        for pair in pairs:
            name, _, password = pair.partition(":")
            self.passwords[name] = password

    def __call__(self, server, session, envelope, mechanism, auth_data):
        if not isinstance(auth_data, LoginPassword):
            return AuthResult(success=False, handled=False)
        login = auth_data.login.decode("utf-8", "replace")
        password = auth_data.password.decode("utf-8", "replace")
        ok = self.passwords.get(login) == password
        return AuthResult(success=ok, handled=False, auth_data={"mechanism": mechanism, "login": login})


class Handler:
    def __init__(self, spool, accounts, offered, refused, fail_every=0, fail_code=451):
        self.spool = spool
        self.accounts = accounts
        self.offered = offered
        self.refused = set(refused)
        self.fail_every = fail_every
        self.fail_code = fail_code
        self.data_count = 0

    async def handle_EHLO(self, server, session, envelope, hostname, responses):
        session.host_name = hostname
        if self.offered:
            return responses
        return [line for line in responses if not line[4:].upper().startswith("AUTH")]

    async def auth_CRAM__MD5(self, server, args):
        challenge = ("<%s.%d@brevanto.test>" % (secrets.token_hex(8), int(time.time()))).encode()
        response = await server.challenge_auth(challenge)
        if response is MISSING:
            return AuthResult(success=False, handled=True)
        login, _, digest = response.decode("utf-8", "replace").rpartition(" ")
        password = self.accounts.passwords.get(login)
        if password is None:
            return AuthResult(success=False, handled=False)
        expected = hmac.new(password.encode("utf-8"), challenge, hashlib.md5).hexdigest()
        ok = hmac.compare_digest(expected, digest.lower())
        return AuthResult(success=ok, handled=False, auth_data={"mechanism": "CRAM-MD5", "login": login})

    async def handle_RCPT(self, server, session, envelope, address, rcpt_options):
        if address in self.refused:
            envelope.refused = True
            return "550 5.1.1 <%s>: recipient refused" % address
        envelope.rcpt_tos.append(address)
        return "250 OK"

    async def handle_DATA(self, server, session, envelope):
        if getattr(envelope, "refused", False):
            return "451 4.3.0 transaction had a refused recipient"
        self.data_count += 1
        if self.fail_every > 0 and self.data_count % self.fail_every == 0:
            return "%d %s.0.0 DATA %d failed on purpose" % (self.fail_code, str(self.fail_code)[0], self.data_count)
        auth = session.auth_data if isinstance(session.auth_data, dict) else None
        self.spool.message(envelope, server.is_tls(), auth)
        return "250 OK: queued"


class RecordingSMTP(SMTP):
    """aiosmtpd's SMTP session with every client command written to the spool."""

    def __init__(self, handler, implicit_tls, **kwargs):
        super().__init__(handler, **kwargs)
        self.session_id = next(SESSION_IDS)
        self.implicit_tls = implicit_tls
        for verb, method in list(self._smtp_methods.items()):
            self._smtp_methods[verb] = self._recorded(verb, method)

    def is_tls(self):
        return self.implicit_tls or self._tls_protocol is not None

    def _recorded(self, verb, method):
        async def wrapper(arg):
            self.event_handler.spool.command(self.session_id, self.is_tls(), verb, arg)
            return await method(arg)
        return wrapper


class Silent(asyncio.Protocol):
    """Accepts and never speaks; keeps the connection open until the client leaves."""

    def connection_made(self, transport):
        self.transport = transport

    def data_received(self, data):
        pass


def tls_context(args, spool=None):
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(args.cert, args.key)
    if spool is not None:
        context.sni_callback = lambda connection, name, context: spool.server_name(name)
    return context


async def serve(args):
    loop = asyncio.get_running_loop()
    spool = Spool(args.spool)
    accounts = Accounts(args.user)
    offered = [m for m in args.mechanisms.split() if m in ALL_MECHANISMS] \
        if args.mechanisms is not None else list(ALL_MECHANISMS)
    handler = Handler(spool, accounts, offered, args.refuse, args.fail_data_every, args.fail_code)
    excluded = [m for m in ALL_MECHANISMS if m not in offered]

    if args.mode in ("silent", "silent-tls"):
        context = tls_context(args) if args.mode == "silent-tls" else None
        server = await loop.create_server(Silent, "127.0.0.1", args.port, ssl=context)
    else:
        options = dict(hostname="peer.brevanto.test", authenticator=accounts,
                       auth_exclude_mechanism=excluded, loop=loop, timeout=60)
        listen_context = None
        if args.mode == "starttls":
            options.update(tls_context=tls_context(args, spool), require_starttls=True)
        elif args.mode == "implicit":
            options.update(auth_require_tls=False)
            listen_context = tls_context(args, spool)
        else:
            options.update(auth_require_tls=False)
        implicit = args.mode == "implicit"
        server = await loop.create_server(lambda: RecordingSMTP(handler, implicit, **options),
                                          "127.0.0.1", args.port, ssl=listen_context)

    port = server.sockets[0].getsockname()[1]
    sys.stdout.write("PORT %d\n" % port)
    sys.stdout.flush()

    stop = asyncio.Event()
    loop.add_signal_handler(signal.SIGTERM, stop.set)
    loop.add_reader(sys.stdin.fileno(), lambda: stop.set() if not os.read(sys.stdin.fileno(), 4096) else None)
    await stop.wait()
    server.close()


def main():
    warnings.simplefilter("ignore")
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--mode", choices=["starttls", "implicit", "plain", "silent", "silent-tls"], default="plain")
    parser.add_argument("--spool")
    parser.add_argument("--cert")
    parser.add_argument("--key")
    parser.add_argument("--port", type=int, default=0)
    parser.add_argument("--user", action="append", default=[])
    parser.add_argument("--mechanisms")
    parser.add_argument("--refuse", action="append", default=[])
    parser.add_argument("--fail-data-every", type=int, default=0)
    parser.add_argument("--fail-code", type=int, default=451)
    args = parser.parse_args()
    if args.mode in ("starttls", "implicit", "silent-tls") and not (args.cert and args.key):
        parser.error("this mode needs --cert and --key")
    asyncio.run(serve(args))


if __name__ == "__main__":
    main()
