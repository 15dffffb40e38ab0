#!/usr/bin/env python3
"""Runs every example of README.md as written and checks what it shows.

An example is a code block (indented by four blanks, or fenced) that holds
lines beginning with "$ ". The commands run one after another in a single
bash, so folders and variables carry over from one to the next, starting in a
fresh folder in which build-release is the build under test (the README's
commands are those a reader types after scripts/demo.sh). Every command must
end with status 0. The lines below a command, up to the next one, are its
output: they must match what it printed (both streams), line by line, with
trailing blanks ignored, the date and time of progress lines and the seconds
and rates of the summary line free, and a line
"..." standing for any number of lines. A command shown without output may
print anything.

An HTML comment just before a block changes how it runs:
  <!-- readme-test: skip REASON -->  the block is not run (REASON is printed);
  <!-- readme-test: mariadb -->      the block needs a MariaDB server: the test
      starts a private one (the client finds it through ~/.my.cnf) or skips
      the block when mariadb-server is not installed.
"""
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time

MARKER = re.compile(r"<!--\s*readme-test:\s*(\w+)\s*(.*?)\s*-->")
PROGRESS = re.compile(r"(rows exported at )\d{4}-\d\d-\d\d \d\d:\d\d:\d\d")
TIMING = re.compile(r"\d+\.\d\d s(, \d+ rows/s)?")


def blocks(readme):
    """(marker, reason, [(command, [expected lines])]) for each example block."""
    found, lines, i, marker = [], readme.split("\n"), 0, (None, "")
    while i < len(lines):
        line = lines[i]
        m = MARKER.search(line)
        if m:
            marker = (m.group(1), m.group(2))
        if line.startswith("```") or line.startswith("    "):
            body = []
            if line.startswith("```"):
                i += 1
                while i < len(lines) and not lines[i].startswith("```"):
                    body.append(lines[i])
                    i += 1
                i += 1
            else:
                while i < len(lines) and (lines[i].startswith("    ") or lines[i] == ""):
                    body.append(lines[i][4:])
                    i += 1
            while body and body[-1] == "":
                body.pop()
            steps = []
            for b in body:
                if b.startswith("$ "):
                    steps.append((b[2:], []))
                elif steps:
                    steps[-1][1].append(b)
            if steps:
                found.append((marker[0], marker[1], steps))
            marker = (None, "")
            continue
        if line.strip() and not m:
            marker = (None, "")
        i += 1
    return found


def matches(expected, actual):
    """True if the actual lines fit the expected ones ("..." = any lines)."""
    norm = lambda s: TIMING.sub("<seconds>", PROGRESS.sub(r"\1<time>", s.rstrip()))
    exp, act = [norm(e) for e in expected], [norm(a) for a in actual]

    def fit(e, a):
        if e == len(exp):
            return a == len(act)
        if exp[e] == "...":
            return any(fit(e + 1, k) for k in range(a, len(act) + 1))
        return a < len(act) and exp[e] == act[a] and fit(e + 1, a + 1)

    return fit(0, 0)


def start_mariadb(root, home):
    """Starts a private server; returns (process, None) or (None, why not)."""
    for binary in ("/usr/sbin/mariadbd", "/usr/bin/mariadb-install-db", "/usr/bin/mariadb"):
        if not os.access(binary, os.X_OK):
            return None, binary + " is not installed (Debian package mariadb-server)"
    data, sock = os.path.join(root, "data"), os.path.join(root, "mariadb.sock")
    subprocess.run(["/usr/bin/mariadb-install-db", "--no-defaults", "--datadir=" + data, "--user=root",
                    "--auth-root-authentication-method=normal", "--skip-test-db"],
                   check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    server = subprocess.Popen(["/usr/sbin/mariadbd", "--no-defaults", "--datadir=" + data, "--socket=" + sock,
                               "--skip-networking", "--user=root", "--log-error=" + os.path.join(root, "err.log"),
                               "--pid-file=" + os.path.join(root, "mariadb.pid"), "--local-infile=1"],
                              stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    with open(os.path.join(home, ".my.cnf"), "w") as cnf:
        cnf.write("[client]\nuser=root\nsocket=%s\n" % sock)
    for _ in range(300):
        if os.path.exists(sock) and subprocess.run(["/usr/bin/mariadb", "-e", "SELECT 1"], env=dict(os.environ, HOME=home),
                                                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL).returncode == 0:
            return server, None
        time.sleep(0.1)
    server.terminate()
    return None, "mariadbd did not start"


def run(readme_path, build):
    with open(readme_path) as f:
        examples = blocks(f.read())
    root = tempfile.mkdtemp(prefix="quillet2-readme.")
    home, tmp = os.path.join(root, "home"), os.path.join(root, "tmp")
    os.makedirs(home)
    os.makedirs(tmp)
    os.symlink(os.path.abspath(build), os.path.join(root, "build-release"))
    script, checks, server, failures = [], [], None, 0
    for kind, reason, steps in examples:
        if kind == "skip":
            print("SKIPPED %s: %s" % (steps[0][0], reason))
            continue
        if kind == "mariadb" and server is None:
            server, why = start_mariadb(os.path.join(root, "mariadb"), home)
            if server is None:
                print("SKIPPED %s: %s" % (steps[0][0], why))
                continue
        for command, expected in steps:
            n = len(checks)
            checks.append((command, expected))
            script.append("echo '@@@start %d'\n%s\nrc=$?\necho\necho \"@@@end %d $rc\"" % (n, command, n))
    env = dict(os.environ, HOME=home, TMPDIR=tmp)
    env.pop("QUILLET2_PASSWORD", None)
    try:
        out = subprocess.run(["bash", "-c", "exec 2>&1 </dev/null\n" + "\n".join(script)], cwd=root, env=env,
                             stdout=subprocess.PIPE, timeout=600).stdout.decode("utf-8", "replace")
    finally:
        if server is not None:
            server.terminate()
            server.wait()
    for n, (command, expected) in enumerate(checks):
        m = re.search(r"@@@start %d\n(.*?)\n@@@end %d (\d+)\n" % (n, n), out, re.S)
        if m is None:
            print("FAILED %s: did not run" % command)
            failures += 1
            continue
        printed, status = m.group(1), int(m.group(2))
        shown = printed[:-1] if printed.endswith("\n") else printed
        actual = shown.split("\n") if shown else []
        if status != 0 or (expected and not matches(expected, actual)):
            failures += 1
            print("FAILED $ %s\nstatus %d; printed:\n%s\nREADME shows:\n%s\n" % (command, status, shown,
                                                                            "\n".join(expected)))
    print("%d README commands run, %d failed" % (len(checks), failures))
    if failures == 0:
        shutil.rmtree(root, ignore_errors=True)
    return 1 if failures or not checks else 0


if __name__ == "__main__":
    sys.exit(run(sys.argv[1], sys.argv[2]))
