#!/usr/bin/env python3
"""Times the real window against skarvo-cli search on one tree, in one session, under a
private Xvfb; also the Esc stop latency, and takes screenshots. Not a test: figures for notes.

usage: measure_window.py SKARVO SKARVO_CLI TREE OUTDIR [--runs N] [--pattern P]...

The window's time runs from just before the Enter key is sent to the "end" line of its event
log (SKARVO_EVENT_LOG; both on CLOCK_MONOTONIC), so it includes starting xdotool (a few ms).
The CLI's time runs from its start to the end of its output read through a pipe, including
its own folder scan, which the window has done before the first Enter. Patterns are given to
the window through its search history in Skarvo.ini (xdotool cannot type them reliably).
"""
import argparse
import os
import random
import re
import resource
import shutil
import statistics
import subprocess
import sys
import tempfile
import time


def sjis_ini(folder, patterns):
    quoted = ",".join('"%s"' % p for p in patterns)
    return ("[Main]\r\n検索文字=%s,\r\nフォルダ=\"%s\",\r\n" % (quoted, folder)).encode("cp932")


class Window:
    def __init__(self, app, tree, patterns, work):
        self.work = work
        self.log = os.path.join(work, "events.log")
        open(self.log, "w").close()
        home = os.path.join(work, "home")
        os.makedirs(home)
        with open(os.path.join(home, "Skarvo.ini"), "wb") as f:
            f.write(sjis_ini(tree, patterns))
        rfd, wfd = os.pipe()
        self.xvfb = subprocess.Popen(
            ["Xvfb", "-displayfd", str(wfd), "-screen", "0", "1280x800x24", "-nolisten", "tcp"],
            pass_fds=[wfd], stdout=subprocess.DEVNULL,
            stderr=open(os.path.join(work, "xvfb.err"), "w"))
        os.close(wfd)
        display = b""
        while not display.endswith(b"\n"):
            chunk = os.read(rfd, 64)
            if not chunk:
                raise RuntimeError("Xvfb gave no display: " +
                                   open(os.path.join(work, "xvfb.err")).read())
            display += chunk
        display = display.decode().strip()
        os.close(rfd)
        self.env = dict(os.environ, DISPLAY=":" + display)
        run = os.path.join(work, "run")
        os.makedirs(run, mode=0o700)
        app_env = dict(self.env, HOME=os.path.join(work, "user"), XDG_RUNTIME_DIR=run,
                       SKARVO_EVENT_LOG=self.log)
        self.app = subprocess.Popen([app], cwd=home, env=app_env, stdout=subprocess.DEVNULL,
                                    stderr=subprocess.DEVNULL)
        wid = self.xdotool("search", "--sync", "--onlyvisible", "--pid", str(self.app.pid),
                           "--name", "Skarvo").split()[0]
        self.xdotool("windowfocus", "--sync", wid)

    def xdotool(self, *args):
        p = subprocess.run(["xdotool", *args], env=self.env, timeout=30, capture_output=True,
                           text=True)
        if p.returncode:
            raise RuntimeError("xdotool %s: %s" % (" ".join(args), p.stderr))
        return p.stdout

    def lines(self):
        with open(self.log, "rb") as f:
            data = f.read()
        # Whole lines only: the program may be half-way through writing the last one.
        return data[:data.rfind(b"\n") + 1].decode("utf-8").splitlines()

    def wait(self, start, pattern, timeout=120):
        deadline = time.monotonic() + timeout
        rx = re.compile(pattern)
        while time.monotonic() < deadline:
            for line in self.lines()[start:]:
                if rx.search(line):
                    return float(line.split()[0]), line
            time.sleep(0.01)
        raise RuntimeError("no /%s/ in the event log" % pattern)

    def shot(self, path):
        subprocess.run(["import", "-window", "root", path], env=self.env, check=True)

    def close(self):
        self.xdotool("key", "ctrl+q")
        try:
            code = self.app.wait(30)
        finally:
            if self.app.poll() is None:
                self.app.kill()
            self.xvfb.terminate()
            self.xvfb.wait()
        return code


CLI_CPU = []  # CPU seconds of each CLI run


def cpu_seconds(pid):
    """User + system CPU time of a process so far."""
    with open("/proc/%d/stat" % pid) as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


def cli_time(cli, pattern, tree, home):
    t0 = time.monotonic()
    r0 = resource.getrusage(resource.RUSAGE_CHILDREN)
    p = subprocess.run([os.path.realpath(cli), "search", "--", pattern, tree], cwd=home, stdout=subprocess.PIPE,
                       stderr=subprocess.DEVNULL)
    t1 = time.monotonic()
    r1 = resource.getrusage(resource.RUSAGE_CHILDREN)
    CLI_CPU.append(r1.ru_utime + r1.ru_stime - r0.ru_utime - r0.ru_stime)
    return t1 - t0, sum(1 for line in p.stdout.split(b"\n") if line.startswith(b"+"))


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("app")
    ap.add_argument("cli")
    ap.add_argument("tree")
    ap.add_argument("out")
    ap.add_argument("--runs", type=int, default=7)
    ap.add_argument("--pattern", action="append")
    a = ap.parse_args()
    # A pattern without hits would end each run with the "not found" box.
    patterns = a.pattern or ["ファイル", "ディレクトリを作成"]
    os.makedirs(a.out, exist_ok=True)
    for index, pattern in enumerate(patterns):
        work = tempfile.mkdtemp(prefix="skarvo-measure-")
        try:
            session(a, pattern, work, index == 0)
        finally:
            shutil.rmtree(work, ignore_errors=True)


def session(a, pattern, work, esc_and_shots):
    cli_home = os.path.join(work, "cli-home")
    os.makedirs(cli_home)
    w = Window(os.path.realpath(a.app), a.tree, [pattern], work)
    try:
        m = len(w.lines())
        # The folder typed in the folder box, Enter builds the target list.
        w.xdotool("key", "Tab", "ctrl+a")
        w.xdotool("type", a.tree)
        w.xdotool("key", "Return")
        w.wait(m, r" status \d+個のファイルが対象です$", 60)
        # The pattern picked from the search history; the pick runs a first search, which
        # warms the caches.
        m = len(w.lines())
        w.xdotool("key", "ctrl+f", "alt+Down", "Return")
        w.wait(m, r" end ")
        win, cli, app_cpu, x_cpu = [], [], [], []
        for run in range(a.runs + 1):
            m = len(w.lines())
            cpu0 = cpu_seconds(w.app.pid), cpu_seconds(w.xvfb.pid)
            t0 = time.monotonic()
            w.xdotool("key", "Return")
            t_end, end = w.wait(m, r" end ")
            if run:
                app_cpu.append(cpu_seconds(w.app.pid) - cpu0[0])
                x_cpu.append(cpu_seconds(w.xvfb.pid) - cpu0[1])
            c, c_lines = cli_time(a.cli, pattern, a.tree, cli_home)
            if run:  # the first CLI run warms its own caches
                win.append(t_end - t0)
                cli.append(c)
            if run == 1 and esc_and_shots:
                w.shot(os.path.join(a.out, "3-final-list.png"))
        rows = re.search(r"rows=(\d+) files=(\d+)", end)
        print("%s: window median %.3f s, cli median %.3f s, window/cli %.2f "
              "(window rows %s in %s files, cli lines %d)"
              % (pattern, statistics.median(win), statistics.median(cli),
                 statistics.median(win) / statistics.median(cli), rows.group(1),
                 rows.group(2), c_lines))
        print("  window runs: " + " ".join("%.3f" % x for x in win))
        print("  CPU per window run (median): program %.3f s, Xvfb %.3f s"
              % (statistics.median(app_cpu), statistics.median(x_cpu)))
        print("  cli runs:    " + " ".join("%.3f" % x for x in cli))
        print("  CPU per cli run (median): %.3f s" % statistics.median(CLI_CPU[1:]))
        del CLI_CPU[:]
        if esc_and_shots:
            # Esc during a run, after a varying wait.
            latencies = []
            for run in range(a.runs):
                m = len(w.lines())
                w.xdotool("key", "Return")
                w.wait(m, r" start$")
                time.sleep(random.uniform(0.02, 0.2))
                if run == 0:
                    w.shot(os.path.join(a.out, "1-live-rows.png"))
                t0 = time.monotonic()
                w.xdotool("key", "Escape")
                t_end, end = w.wait(m, r" end ")
                lines = w.lines()[m:]
                if not any(l.endswith(" stop-key") for l in lines):
                    print("  run %d ended before the Esc" % run)
                    continue
                latencies.append(t_end - t0)
                if run == 0:
                    w.shot(os.path.join(a.out, "2-stopped.png"))
            if latencies:
                print("Esc to end of run: median %.3f s, max %.3f s (%s)"
                      % (statistics.median(latencies), max(latencies),
                         " ".join("%.3f" % x for x in latencies)))
        print("exit code", w.close())
    finally:
        if w.app.poll() is None:
            w.app.kill()
        if w.xvfb.poll() is None:
            w.xvfb.terminate()


if __name__ == "__main__":
    sys.exit(main())
