# Sends COUNT tracking hits with keys PREFIX-0 ... to the Message Monitor on PORT, one connection
# each, and checks that every answer is the tracking image; prints "ok COUNT". Each connection
# waits at most LIMIT seconds (default 60) for each step.
import http.client
import sys

port, prefix, count, image = int(sys.argv[1]), sys.argv[2], int(sys.argv[3]), sys.argv[4]
limit = float(sys.argv[5]) if len(sys.argv) > 5 else 60
with open(image, "rb") as f:
    expected = f.read()
for i in range(count):
    connection = http.client.HTTPConnection("127.0.0.1", port, timeout=limit)
    connection.request("GET", "/Brevanto.bvto?MessageMonitor=%s-%d&subject=load&mailerID=bench" % (prefix, i))
    response = connection.getresponse()
    body = response.read()
    connection.close()
    if response.status != 200 or response.getheader("Content-Type") != "image/png" or body != expected:
        print("bad answer", i, response.status, len(body))
        sys.exit(1)
print("ok", count)
