# Requests per second on loopback of two servers that answer with the same 1x1 PNG: the
# Message Monitor (PORT_A, a running brevanto) and Python's ThreadingHTTPServer (HTTP/1.0, one
# request per connection, started here). The same client (threads, one connection per request)
# runs against each at 1 and at 8 connections; figures only.
import http.client
import http.server
import sys
import threading
import time

monitor_port, png_path, count = int(sys.argv[1]), sys.argv[2], int(sys.argv[3])
png = open(png_path, "rb").read()


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.0"

    def do_GET(self):
        self.send_response(200)
        self.send_header("Content-Type", "image/png")
        self.send_header("Content-Length", str(len(png)))
        self.end_headers()
        self.wfile.write(png)

    def log_message(self, *args):
        pass


reference = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
reference.request_queue_size = 128
threading.Thread(target=reference.serve_forever, daemon=True).start()


def run(port, connections, label):
    per = count // connections
    failures = []

    def client(n):
        for i in range(per):
            c = http.client.HTTPConnection("127.0.0.1", port, timeout=30)
            c.request("GET", "/Brevanto.bvto?MessageMonitor=%s-%d-%d&subject=bench&mailerID=b" % (label, n, i))
            r = c.getresponse()
            body = r.read()
            c.close()
            if body != png:
                failures.append(i)

    threads = [threading.Thread(target=client, args=(n,)) for n in range(connections)]
    start = time.perf_counter()
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    elapsed = time.perf_counter() - start
    return per * connections / elapsed, len(failures)


for connections in (1, 8):
    mon, mon_bad = run(monitor_port, connections, "m%d" % connections)
    ref, ref_bad = run(reference.server_address[1], connections, "r%d" % connections)
    print("monitor_vs_reference connections=%d monitor=%.0f req/s reference=%.0f req/s ratio=%.2f bad=%d/%d"
          % (connections, mon, ref, mon / ref, mon_bad, ref_bad))
