"""A static file server for the built page, bound to 127.0.0.1 only.

Used by scripts/serve-web.sh and by the browser tests (on a free port, in a
thread). It keeps a list of the paths it was asked for, so a test can see
what the page loaded.
"""
import functools
import http.server
import sys
import threading


class CQuietHandler(http.server.SimpleHTTPRequestHandler):
    # A browser refuses to compile a module served under another type.
    extensions_map = {**http.server.SimpleHTTPRequestHandler.extensions_map,
                      ".wasm": "application/wasm", ".js": "text/javascript",
                      ".mjs": "text/javascript", ".html": "text/html; charset=utf-8"}

    def __init__(self, *args, log=None, verbose=False, **kwargs):
        self.m_vecLog = log
        self.m_bVerbose = verbose
        super().__init__(*args, **kwargs)

    def end_headers(self):
        # Every test run loads the page as it was just built.
        self.send_header("Cache-Control", "no-store")
        super().end_headers()

    def log_message(self, format, *args):
        if self.m_vecLog is not None:
            self.m_vecLog.append(self.path)
        if self.m_bVerbose:
            super().log_message(format, *args)


class CStaticServer:
    """Serves one folder on 127.0.0.1 in a background thread."""

    def __init__(self, strFolder, nPort=0, bVerbose=False):
        self.m_vecRequests = []
        handler = functools.partial(CQuietHandler, directory=strFolder, log=self.m_vecRequests,
                                    verbose=bVerbose)
        self.m_server = http.server.ThreadingHTTPServer(("127.0.0.1", nPort), handler)
        self.m_server.daemon_threads = True
        self.m_thread = None

    @property
    def origin(self):
        return "http://127.0.0.1:%d" % self.m_server.server_address[1]

    def Url(self, strName=""):
        return self.origin + "/" + strName

    def Start(self):
        self.m_thread = threading.Thread(target=self.m_server.serve_forever, daemon=True)
        self.m_thread.start()
        return self

    def Stop(self):
        self.m_server.shutdown()
        self.m_server.server_close()

    def ServeForever(self):
        try:
            self.m_server.serve_forever()
        except KeyboardInterrupt:
            pass
        finally:
            self.m_server.server_close()


if __name__ == "__main__":
    # static_server.py FOLDER PORT: what scripts/serve-web.sh runs.
    server = CStaticServer(sys.argv[1], int(sys.argv[2]), bVerbose=True)
    print("Serving %s at %s/ (Ctrl-C to stop)" % (sys.argv[1], server.origin), flush=True)
    server.ServeForever()
