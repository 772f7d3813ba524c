#!/usr/bin/python3
# Office helper of Skarvo: runs a private LibreOffice instance and does what the program
# asks of it, one request per line on standard input, one answer per line on standard
# output ("ok<TAB>payload" or "error<TAB>message"), UTF-8.
#
# The instance has a user profile of its own (-env:UserInstallation) and listens on a pipe
# of its own, so a LibreOffice the user runs, and the documents open in it, are never
# touched: "quit" ends only this instance, "close" only the document this helper opened.
#
# A document the user changed is never closed unasked: "close" leaves it open ("kept"), and
# "quit" then leaves the instance running with it, so the user saves or drops the change in
# LibreOffice itself; a watcher process keeps the profile for that instance until it ends.
# (A headless instance has no one to save for and ends as always.)
#
# Requests:
#   open <path>                    load a document, shown; answers its kind (calc/writer/other)
#   cell <sheet> <row> <column>    Calc: activate the sheet (from 1), select the cell (from 1)
#   sheet <sheet>                  Calc: activate the sheet
#   front                          bring the document's window to the front (again a moment
#                                  later, above the program's own message box)
#   state                          Calc: "<sheet from 1><TAB><cell name>"; else the document
#                                  title; then "<TAB>modified" when it holds unsaved changes
#   type <text>                    put text into the document as a user would type it (checks)
#   close                          close the document; answers "kept" when it was left open
#                                  because it holds unsaved changes, else "closed"
#   quit                           end the instance (unless a changed document is open in it)
#                                  and the helper
#
# Started by the program as: python3 skarvo_office.py <profile folder> [--headless]
# and by itself as: python3 skarvo_office.py --watch <process group> <folder to remove>
import fcntl
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import threading
import time

import uno
from com.sun.star.beans import PropertyValue

CONNECT_TIMEOUT = float(os.environ.get("SKARVO_OFFICE_TIMEOUT", "90"))


def answer(status, payload=""):
    try:
        sys.stdout.write(status + "\t" + payload.replace("\n", " ") + "\n")
        sys.stdout.flush()
    except BrokenPipeError:
        # The program stopped reading (it ended, or gave up on this helper): the answer has
        # no reader. Later answers and the interpreter's last flush go to /dev/null instead
        # of failing again; the end of standard input then ends the helper as usual.
        devnull = os.open(os.devnull, os.O_WRONLY)
        os.dup2(devnull, sys.stdout.fileno())
        os.close(devnull)


def prop(name, value):
    p = PropertyValue()
    p.Name = name
    p.Value = value
    return p


def column_letters(index):
    letters = ""
    index += 1
    while index > 0:
        index, rest = divmod(index - 1, 26)
        letters = chr(65 + rest) + letters
    return letters


class Instance:
    def __init__(self, profile, headless):
        self.headless = headless
        self.kept = []
        self.temp_profile = None
        self.lock = None
        # One program at a time keeps the lasting profile (fast starts); another one at the
        # same moment gets a throw-away profile, so two instances never share one.
        os.makedirs(os.path.dirname(profile) or ".", exist_ok=True)
        try:
            self.lock = open(profile + ".lock", "w")
            fcntl.flock(self.lock, fcntl.LOCK_EX | fcntl.LOCK_NB)
        except OSError:
            self.temp_profile = tempfile.mkdtemp(prefix="skarvo-lo-")
            profile = self.temp_profile
        self.pipe = "skarvo-%d-%d" % (os.getpid(), int(time.time() * 1000) % 100000000)
        args = [shutil.which("soffice") or "soffice",
                "-env:UserInstallation=" + uno.systemPathToFileUrl(os.path.abspath(profile)),
                "--accept=pipe,name=%s;urp;StarOffice.ComponentContext" % self.pipe,
                "--norestore", "--nologo", "--nodefault", "--nofirststartwizard"]
        if headless:
            args.append("--headless")
        self.process = subprocess.Popen(args, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                        start_new_session=True)
        local = uno.getComponentContext()
        resolver = local.ServiceManager.createInstanceWithContext(
            "com.sun.star.bridge.UnoUrlResolver", local)
        deadline = time.time() + CONNECT_TIMEOUT
        while True:
            try:
                self.context = resolver.resolve(
                    "uno:pipe,name=%s;urp;StarOffice.ComponentContext" % self.pipe)
                break
            except Exception:
                if self.process.poll() is not None or time.time() > deadline:
                    self.kill()
                    raise RuntimeError("LibreOffice did not start")
                time.sleep(0.25)
        self.desktop = self.context.ServiceManager.createInstanceWithContext(
            "com.sun.star.frame.Desktop", self.context)
        self.document = None

    def open(self, path):
        self.close()
        url = uno.systemPathToFileUrl(os.path.abspath(path))
        doc = self.desktop.loadComponentFromURL(url, "_blank", 0, (prop("Hidden", False),))
        if doc is None:
            raise RuntimeError("cannot open " + path)
        self.document = doc
        if doc.supportsService("com.sun.star.sheet.SpreadsheetDocument"):
            return "calc"
        if doc.supportsService("com.sun.star.text.TextDocument"):
            return "writer"
        return "other"

    def calc(self):
        if self.document is None or not self.document.supportsService(
                "com.sun.star.sheet.SpreadsheetDocument"):
            raise RuntimeError("no spreadsheet is open")
        return self.document, self.document.getCurrentController()

    def sheet(self, number):
        doc, controller = self.calc()
        sheets = doc.getSheets()
        if number < 1 or number > sheets.getCount():
            raise RuntimeError("no sheet %d" % number)
        sheet = sheets.getByIndex(number - 1)
        controller.setActiveSheet(sheet)
        return sheet, controller

    def cell(self, number, row, column):
        sheet, controller = self.sheet(number)
        if row < 1 or column < 1:
            raise RuntimeError("no cell %d,%d" % (row, column))
        cell = sheet.getCellByPosition(column - 1, row - 1)
        controller.select(cell)

    def front(self):
        if self.document is None:
            raise RuntimeError("no document is open")
        window = self.document.getCurrentController().getFrame().getContainerWindow()
        self.raise_window(window)
        if not self.headless:
            # The program shows its message box right after this answer, on top of
            # everything: the document is raised again once that box is up.
            for delay in (0.4, 1.2):
                timer = threading.Timer(delay, self.raise_window, (window,))
                timer.daemon = True
                timer.start()

    @staticmethod
    def raise_window(window):
        try:
            window.setVisible(True)
            window.toFront()
            window.setFocus()
        except Exception:
            pass

    def state(self):
        # After "close", a document left open because of its changes is what is shown.
        doc = self.document or (self.kept[-1] if self.kept else None)
        if doc is None:
            raise RuntimeError("no document is open")
        if not doc.supportsService("com.sun.star.sheet.SpreadsheetDocument"):
            text = doc.getTitle()
        else:
            controller = doc.getCurrentController()
            active = controller.getActiveSheet().getName()
            names = doc.getSheets().getElementNames()
            address = controller.getSelection().getCellAddress()
            text = "%d\t%s%d" % (names.index(active) + 1, column_letters(address.Column),
                                  address.Row + 1)
        return text + ("\tmodified" if modified(doc) else "")

    def type(self, text):
        if self.document is None:
            raise RuntimeError("no document is open")
        doc = self.document
        if doc.supportsService("com.sun.star.sheet.SpreadsheetDocument"):
            doc.getCurrentController().getSelection().setString(text)
        elif doc.supportsService("com.sun.star.text.TextDocument"):
            body = doc.getText()
            body.insertString(body.getEnd(), text, False)
        else:
            raise RuntimeError("cannot type into this document")

    def close(self):
        doc, self.document = self.document, None
        if doc is None:
            return "closed"
        if modified(doc):
            self.kept.append(doc)
            return "kept"
        try:
            doc.close(True)
        except Exception:
            doc.dispose()
        return "closed"

    def kill(self):
        try:
            os.killpg(self.process.pid, signal.SIGKILL)
        except OSError:
            pass
        self.process.wait()

    def quit(self):
        try:
            self.close()
            # A kept document the user saved (or closed) meanwhile no longer holds the
            # instance; one still changed does, unless no one can see it.
            still = [doc for doc in self.kept if modified(doc)]
            if still and not self.headless:
                self.hand_over()
                return
            for doc in self.kept:
                try:
                    doc.close(True)
                except Exception:
                    pass
            self.desktop.terminate()
        except Exception:
            pass
        try:
            self.process.wait(timeout=30)
        except subprocess.TimeoutExpired:
            self.kill()
        # The launcher may be gone while the office process still ends.
        try:
            os.killpg(self.process.pid, 0)
            time.sleep(1)
            os.killpg(self.process.pid, signal.SIGKILL)
        except OSError:
            pass
        if self.temp_profile:
            shutil.rmtree(self.temp_profile, ignore_errors=True)

    def hand_over(self):
        """Leaves the instance to the user, with the profile lock held until it ends."""
        fds = (self.lock.fileno(),) if self.lock else ()
        subprocess.Popen([sys.executable, os.path.abspath(__file__), "--watch",
                          str(self.process.pid), self.temp_profile or ""],
                         stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                         stderr=subprocess.DEVNULL, pass_fds=fds, start_new_session=True)


def modified(doc):
    try:
        return bool(doc.isModified())
    except Exception:
        return False  # closed by the user already


def watch(group, folder):
    """Waits while the instance left to the user runs, then removes its throw-away profile."""
    while True:
        try:
            os.killpg(group, 0)
        except OSError:
            break
        time.sleep(2)
    if folder:
        shutil.rmtree(folder, ignore_errors=True)
    return 0


def main():
    if len(sys.argv) >= 3 and sys.argv[1] == "--watch":
        return watch(int(sys.argv[2]), sys.argv[3] if len(sys.argv) > 3 else "")
    if len(sys.argv) < 2:
        answer("error", "usage: skarvo_office.py PROFILE [--headless]")
        return 2
    try:
        instance = Instance(sys.argv[1], "--headless" in sys.argv[2:])
    except Exception as e:
        answer("error", str(e))
        return 1
    # Ended by the program (it gave up waiting): the private instance goes too, closing its
    # document first so that no lock file stays behind.
    signal.signal(signal.SIGTERM, lambda *_: (instance.quit(), os._exit(1)))
    answer("ok", "ready")
    for line in sys.stdin:
        parts = line.rstrip("\n").split("\t")
        command, args = parts[0], parts[1:]
        try:
            if command == "open":
                answer("ok", instance.open(args[0]))
            elif command == "cell":
                instance.cell(int(args[0]), int(args[1]), int(args[2]))
                answer("ok")
            elif command == "sheet":
                instance.sheet(int(args[0]))
                answer("ok")
            elif command == "front":
                instance.front()
                answer("ok")
            elif command == "state":
                answer("ok", instance.state())
            elif command == "type":
                instance.type(args[0] if args else "")
                answer("ok")
            elif command == "close":
                answer("ok", instance.close())
            elif command == "quit":
                break
            else:
                answer("error", "unknown request " + command)
        except Exception as e:
            answer("error", str(e) or type(e).__name__)
    instance.quit()
    answer("ok", "bye")
    return 0


if __name__ == "__main__":
    sys.exit(main())
