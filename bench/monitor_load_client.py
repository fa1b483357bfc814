# One of the load figure's client processes: sends COUNT tracking hits with keys PREFIX-0 ... to
# the Message Monitor on PORT, one connection each, one after another. Prints the number of
# answers that were the tracking image, then each request's time in microseconds on one line.
import http.client
import sys
import time

port, prefix, count, image = int(sys.argv[1]), sys.argv[2], int(sys.argv[3]), sys.argv[4]
with open(image, "rb") as f:
    expected = f.read()
good = 0
times = []
for i in range(count):
    start = time.perf_counter()
    try:
        connection = http.client.HTTPConnection("127.0.0.1", port, timeout=60)
        connection.request("GET", "/Brevanto.bvto?MessageMonitor=%s-%d&subject=load&mailerID=bench" % (prefix, i))
        response = connection.getresponse()
        body = response.read()
        connection.close()
        good += response.status == 200 and body == expected
    except OSError:
        pass
    times.append(int((time.perf_counter() - start) * 1e6))
print(good)
print(" ".join(map(str, times)))
