"""An HTTP proxy that forwards nothing: it notes every request and answers
403. The browser of the tests uses it for every host but the loopback one,
so a request of the page, of its worker or of anything it starts that would
leave the machine ends up in this list (Chrome's performance log sees only
the page's own requests, not its workers')."""
import http.server
import threading


class CRefusingHandler(http.server.BaseHTTPRequestHandler):
    def Refuse(self):
        self.server.m_vecSeen.append("%s %s" % (self.command, self.path))
        self.send_response(403)
        self.send_header("Content-Length", "0")
        self.send_header("Connection", "close")
        self.end_headers()
        self.close_connection = True

    do_GET = do_POST = do_PUT = do_HEAD = do_OPTIONS = do_DELETE = do_PATCH = do_CONNECT = Refuse

    def log_message(self, format, *args):
        pass


class CRefusingProxy:
    def __init__(self):
        self.m_server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), CRefusingHandler)
        self.m_server.daemon_threads = True
        self.m_server.m_vecSeen = []
        self.m_thread = threading.Thread(target=self.m_server.serve_forever, daemon=True)
        self.m_thread.start()

    @property
    def address(self):
        return "127.0.0.1:%d" % self.m_server.server_address[1]

    def Take(self):
        """The requests seen since the last call."""
        vecSeen = self.m_server.m_vecSeen
        nCount = len(vecSeen)
        vecTaken = vecSeen[:nCount]
        del vecSeen[:nCount]
        return vecTaken

    def Stop(self):
        self.m_server.shutdown()
        self.m_server.server_close()
