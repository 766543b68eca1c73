#!/usr/bin/python3
# The Linux half of the browser stand-in: lays a web page out as PDF pages
# with headless Chromium, driven over its DevTools pipe, with a header and a
# footer drawn in the page margins.
#
#   browser.py URL OUTPUT HEADER FOOTER LEFT RIGHT TOP BOTTOM WIDTH HEIGHT
#     URL is the page (a file: URL); OUTPUT the PDF to write; HEADER and
#     FOOTER files holding the HTML templates of the header and footer
#     (UTF-8, Chromium's classes title, url, pageNumber and totalPages
#     filled in per page); the four margins and the paper size in inches.
#     Exit 0 laid out, 2 the page could not be loaded, 3 the engine failed
#     or ran past its time.
import base64
import json
import os
import select
import shutil
import signal
import subprocess
import sys
import tempfile
import time

LOAD_LIMIT_S = 60
PRINT_LIMIT_S = 120


class Engine:
    """One headless Chromium, spoken to over --remote-debugging-pipe:
    JSON messages ended by a NUL byte, commands on its fd 3, answers and
    events on its fd 4."""

    def __init__(self):
        self.profile = tempfile.mkdtemp(prefix="qf-browser-")
        to_engine_r, self.to_engine = os.pipe()
        self.from_engine, from_engine_w = os.pipe()

        def fds():
            a, b = os.dup(to_engine_r), os.dup(from_engine_w)
            os.dup2(a, 3)
            os.dup2(b, 4)
            os.set_inheritable(3, True)
            os.set_inheritable(4, True)

        binary = "/usr/lib/chromium/chromium"
        if not os.path.exists(binary):
            binary = shutil.which("chromium") or "chromium"
        try:
            self.process = subprocess.Popen(
                [binary, "--headless", "--no-sandbox", "--disable-gpu", "--remote-debugging-pipe",
                 "--no-first-run", "--no-default-browser-check", "--user-data-dir=" + self.profile, "about:blank"],
                preexec_fn=fds, close_fds=False, start_new_session=True,
                stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        except OSError:
            for fd in (to_engine_r, from_engine_w, self.to_engine, self.from_engine):
                os.close(fd)
            shutil.rmtree(self.profile, ignore_errors=True)
            raise
        os.close(to_engine_r)
        os.close(from_engine_w)
        self.buffer = b""
        self.last_id = 0

    def send(self, method, params=None, session=None):
        self.last_id += 1
        message = {"id": self.last_id, "method": method, "params": params or {}}
        if session:
            message["sessionId"] = session
        os.write(self.to_engine, json.dumps(message).encode() + b"\0")
        return self.last_id

    def wait_for(self, wanted, limit_s):
        end = time.monotonic() + limit_s
        while True:
            while b"\0" in self.buffer:
                raw, self.buffer = self.buffer.split(b"\0", 1)
                message = json.loads(raw)
                if wanted(message):
                    return message
            left = end - time.monotonic()
            if left <= 0:
                raise TimeoutError()
            ready, _, _ = select.select([self.from_engine], [], [], left)
            if ready:
                data = os.read(self.from_engine, 1 << 20)
                if not data:
                    raise EOFError()
                self.buffer += data

    def call(self, method, params=None, session=None, limit_s=30):
        sent = self.send(method, params, session)
        answer = self.wait_for(lambda m: m.get("id") == sent, limit_s)
        if "error" in answer:
            raise RuntimeError(answer["error"])
        return answer["result"]

    def close(self):
        try:
            self.send("Browser.close")
            self.process.wait(10)
        except Exception:
            pass
        if self.process.poll() is None:
            try:
                os.killpg(self.process.pid, signal.SIGKILL)
            except OSError:
                pass
            self.process.wait()
        for fd in (self.to_engine, self.from_engine):
            try:
                os.close(fd)
            except OSError:
                pass
        shutil.rmtree(self.profile, ignore_errors=True)


def lay_out(url, output, header, footer, margins, paper):
    try:
        engine = Engine()
    except OSError:
        # No engine installed, or it could not be started.
        return 3
    try:
        target = engine.call("Target.createTarget", {"url": "about:blank"})["targetId"]
        session = engine.call("Target.attachToTarget", {"targetId": target, "flatten": True})["sessionId"]
        engine.call("Page.enable", session=session)
        navigated = engine.call("Page.navigate", {"url": url}, session=session)
        if navigated.get("errorText"):
            return 2
        engine.wait_for(lambda m: m.get("method") == "Page.loadEventFired", LOAD_LIMIT_S)
        left, right, top, bottom = margins
        printed = engine.call("Page.printToPDF", {
            "displayHeaderFooter": True, "headerTemplate": header, "footerTemplate": footer,
            "marginLeft": left, "marginRight": right, "marginTop": top, "marginBottom": bottom,
            "paperWidth": paper[0], "paperHeight": paper[1], "printBackground": True,
        }, session=session, limit_s=PRINT_LIMIT_S)
        with open(output + ".part", "wb") as f:
            f.write(base64.b64decode(printed["data"]))
        os.replace(output + ".part", output)
        return 0
    except (TimeoutError, EOFError, RuntimeError, OSError, ValueError, KeyError):
        return 3
    finally:
        engine.close()


def main(argv):
    if len(argv) != 11:
        return 64
    url, output, header_file, footer_file = argv[1:5]
    numbers = [float(x) for x in argv[5:11]]
    with open(header_file, encoding="utf-8") as f:
        header = f.read()
    with open(footer_file, encoding="utf-8") as f:
        footer = f.read()
    return lay_out(url, output, header, footer, numbers[0:4], numbers[4:6])


if __name__ == "__main__":
    sys.exit(main(sys.argv))
