# Asks the Message Monitor on the given loopback port for the self-test text and a tracking
# image with Python's http.client; prints version, status, reason, type and body length of each.
import http.client
import sys

port = int(sys.argv[1])
for path in ("/Brevanto.bvto?Hello", "/Brevanto.bvto?MessageMonitor=py&subject=s&mailerID=m"):
    connection = http.client.HTTPConnection("127.0.0.1", port, timeout=30)
    connection.request("GET", path)
    response = connection.getresponse()
    body = response.read()
    length = int(response.getheader("Content-Length"))
    assert length == len(body), (length, len(body))
    print(response.version, response.status, response.reason, response.getheader("Content-Type"), len(body))
    connection.close()
