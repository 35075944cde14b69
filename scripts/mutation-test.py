#!/usr/bin/env python3
"""Mutation testing of the core sources: how many small faults in them do the tests catch?

A fixed sample of mutants (one operator or line changed each) is kept in a list file, so that the
same faults can be tried again after the tests or the sources were reorganised. A mutant names the
exact text of the line it changes, not a file and line number: the line is looked up again among
all .cpp and .h files under src/, so files may be split, moved or renamed in between. A line that
is no longer found, or no longer unique, is reported as "lost" for a human to look at.

    scripts/mutation-test.py --list                  make the sample (scripts/mutants.jsonl)
    scripts/mutation-test.py --run                   try every mutant of the sample
    scripts/mutation-test.py --run --limit 5 --files IniFile.cpp
    scripts/mutation-test.py --run --compare scripts/mutation-baseline.txt

For each mutant the file is changed, the test executables that link the changed code are rebuilt
(cmake --build, ccache, nice) and run; the first failing test kills the mutant. A mutant that does
not compile counts neither way; one that runs past the timeout counts as killed (the tests hung).
The file is always put back, also on Ctrl-C, an exception or a crash of this script (the next
start puts it back from build/mutation-restore.json), and the sources are checked unchanged at the
end.

Only the Python 3 standard library is used.
"""

import argparse
import hashlib
import json
import os
import random
import re
import shlex
import shutil
import signal
import subprocess
import sys
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent

DEFAULT_FILES = [
    "src/platform/IniFile.cpp",
    "src/platform/WineHive.cpp",
    "src/project/ProjectFile.cpp",
    "src/delphireg/RegImport.cpp",
    "src/project/ProjectDiff.cpp",
    "src/delphireg/RegistryTransaction.cpp",
    # Of the registry store, the code that commits both hive files together (and recovers a
    # commit that was interrupted).
    "src/platform/RegistryStore.cpp@[Cc]ommit|[Jj]ournal|syncDirectoryOf|discardChanges",
]
DEFAULT_LIST = ROOT / "scripts" / "mutants.jsonl"
DEFAULT_SEED = 20240611
# A mutant costs one to several minutes on a shared two-core machine (compile, link, tests with
# Wine), so a file gets 15 and the whole sample runs in a few hours.
DEFAULT_PER_FILE = 15
SOURCE_SUFFIXES = (".cpp", ".h")

# ---------------------------------------------------------------------------------------------
# Reading C++ text: comments and literals are blanked out, so that no rule matches inside them.


def mask_lines(text):
    """Returns (masked lines, directive flags). A masked line has the length of the original line,
    with comments and the contents of string and character literals replaced by blanks (the
    quotes stay). Preprocessor lines, continuations included, are flagged as directives."""
    lines = text.split("\n")
    masked = []
    directive = []
    state = None  # None, "block" (a /* comment) or ("raw", delimiter)
    continued_directive = False
    for line in lines:
        out = list(line)
        n = len(line)
        i = 0

        def blank(a, b):
            for k in range(a, min(b, n)):
                out[k] = " "

        while i < n:
            if state == "block":
                end = line.find("*/", i)
                if end < 0:
                    blank(i, n)
                    i = n
                else:
                    blank(i, end + 2)
                    i = end + 2
                    state = None
                continue
            if isinstance(state, tuple):
                closing = ")" + state[1] + '"'
                end = line.find(closing, i)
                if end < 0:
                    blank(i, n)
                    i = n
                else:
                    blank(i, end + len(closing) - 1)
                    i = end + len(closing)
                    state = None
                continue
            c = line[i]
            if c == "/" and line.startswith("//", i):
                blank(i, n)
                i = n
            elif c == "/" and line.startswith("/*", i):
                state = "block"
                blank(i, i + 2)
                i += 2
            elif c == '"':
                prefix = re.search(r"(?:u8|u|U|L)?R$", line[:i])
                before = line[: prefix.start()] if prefix else ""
                if prefix and not (before and (before[-1].isalnum() or before[-1] == "_")):
                    paren = line.find("(", i)
                    delimiter = line[i + 1 : paren] if paren >= 0 else ""
                    state = ("raw", delimiter)
                    i = (paren + 1) if paren >= 0 else n
                    continue
                j = i + 1
                while j < n and line[j] != '"':
                    j += 2 if line[j] == "\\" else 1
                blank(i + 1, j)
                i = j + 1
            elif c == "'":
                j = i + 1
                while j < n and line[j] != "'":
                    j += 2 if line[j] == "\\" else 1
                blank(i + 1, j)
                i = j + 1
            elif c.isdigit():
                # A number, digit separators (2'000) and exponents (1e+5) included.
                m = re.compile(r"[0-9A-Za-z_.']*(?:[eEpP][+-][0-9A-Za-z_.']*)*").match(line, i)
                i = m.end()
            elif c.isalpha() or c == "_":
                m = re.compile(r"\w+").match(line, i)
                i = m.end()
            else:
                i += 1
        text_line = "".join(out)
        is_directive = continued_directive or text_line.lstrip().startswith("#")
        continued_directive = is_directive and line.rstrip().endswith("\\")
        masked.append(text_line)
        directive.append(is_directive)
    return masked, directive


CONTROL_RE = re.compile(r"^(?:\}\s*)?(?:if|else|for|while|switch|do|try|catch|case|default)\b")
TYPE_BLOCK_RE = re.compile(r"^(?:namespace|class|struct|enum|union|extern)\b|^(?:public|private|protected)\s*:")
LAMBDA_RE = re.compile(r"\]\s*(?:\([^()]*(?:\([^()]*\)[^()]*)*\))?\s*(?:mutable\s*)?(?:noexcept\s*)?(?:->\s*([\w:<>]+)\s*)?$")
BOOL_FUNCTION_RE = re.compile(
    r"^(?:(?:static|inline|constexpr|virtual|friend|\[\[nodiscard\]\])\s+)*bool\s+[\w:~]+\s*\(")


def classify_block(sig):
    """What a `{` opens, from the text before it since the last statement: "bool" (a function or
    lambda declared to return bool), "fn" (any other function or lambda) or "block"."""
    sig = " ".join(sig.split())
    sig = re.sub(r"^(?:(?:public|private|protected)\s*:\s*|template\s*<[^{;]*?>\s*)+", "", sig)
    lam = LAMBDA_RE.search(sig)
    if lam:
        return "bool" if lam.group(1) == "bool" else "fn"
    if CONTROL_RE.search(sig) or TYPE_BLOCK_RE.search(sig) or "(" not in sig:
        return "block"
    return "bool" if BOOL_FUNCTION_RE.search(sig) else "fn"


def scan_functions(masked, directive):
    """Reads the braces of a file. Returns (the indexes of the lines holding a `return` whose
    innermost enclosing function or lambda is declared to return bool, the signature of the
    outermost function each line lies in or None). Both are read from the text alone: a wrong guess
    only makes a mutant that does not compile."""
    bool_returns = set()
    functions = [None] * len(masked)
    stack = []  # (what each open brace opened, see classify_block; the text before it)
    pending = []  # the text since the last statement boundary, over lines
    paren = 0

    def outermost():
        return next((sig for kind, sig in stack if kind != "block"), None)

    for idx, line in enumerate(masked):
        if directive[idx]:
            continue
        functions[idx] = outermost()
        segment = 0  # where the text after the last boundary on this line starts
        for m in re.finditer(r"\breturn\b|[{};()]", line):
            tok = m.group(0)
            if tok == "return":
                for kind, _ in reversed(stack):
                    if kind != "block":
                        if kind == "bool":
                            bool_returns.add(idx)
                        break
            elif tok == "(":
                paren += 1
            elif tok == ")":
                paren = max(0, paren - 1)
            elif tok == ";" and paren > 0:
                pass  # inside a for statement's parentheses
            else:
                if tok == "{":
                    sig = " ".join((" ".join(pending) + " " + line[segment : m.start()]).split())
                    stack.append((classify_block(sig), sig))
                    functions[idx] = functions[idx] or outermost()
                elif tok == "}" and stack:
                    stack.pop()
                pending = []
                paren = 0
                segment = m.end()
        pending.append(line[segment:])
    return bool_returns, functions


# ---------------------------------------------------------------------------------------------
# Mutation rules. Each finds operator occurrences in a masked line; a mutant names the operator,
# which of its occurrences in the line (from 0) and the replacement.

REL_SWAP = {"==": "!=", "!=": "==", "<": "<=", "<=": "<", ">": ">=", ">=": ">"}
RULES = {
    # Binary operators written with a blank on both sides (templates and streams are not).
    "relational": (re.compile(r"(?<= )(==|!=|<=|>=|<|>)(?= )"), lambda op: REL_SWAP[op]),
    "logical": (re.compile(r"(?<= )(&&|\|\|)(?= )"), lambda op: "||" if op == "&&" else "&&"),
    "boolean": (re.compile(r"\b(true|false)\b"), lambda op: "false" if op == "true" else "true"),
    "not": (re.compile(r"(!)(?!=)"), lambda op: ""),
    "off-by-one": (re.compile(r"(?<= )([+-] 1)(?![\w.'])"), lambda op: "- 1" if op == "+ 1" else "+ 1"),
}
SKIP_LINE_RE = re.compile(r"\b(?:Q_ASSERT|Q_ASSERT_X|assert|static_assert|Q_UNREACHABLE|Q_STATIC_ASSERT)\b")
RETURN_RE = re.compile(r"^(\s*)return\s+(.+?);\s*$")
CALL_RE = re.compile(r"^\s*[A-Za-z_~:][\w:.\->\[\]]*\s*\(.*\)\s*;\s*$")
# Lines whose change no test could see (logging, capacity hints, unused markers) take no mutant.
HARMLESS_CALL_RE = re.compile(r"\b(?:qDebug|qInfo|qWarning|qCritical|Q_UNUSED|reserve|squeeze|shrink_to_fit)\b")
STATEMENT_END = (";", "{", "}", ")", ":")


def call_statement(masked_line, previous_masked):
    """True when the line is one whole statement that calls something and keeps nothing: a call
    line whose removal is a meaningful fault."""
    s = masked_line.strip()
    if not CALL_RE.match(masked_line):
        return False
    if re.match(r"^(?:return|throw|delete|co_return|co_yield|case|goto)\b", s):
        return False
    depth = 0
    for k, c in enumerate(s):
        if c in "([":
            depth += 1
        elif c in ")]":
            depth -= 1
            if depth < 0:
                return False
        elif c == "=" and depth == 0:
            return False
        elif c == "{" and depth == 0:
            return False
    if depth != 0:
        return False
    prev = previous_masked.strip() if previous_masked is not None else ""
    return prev == "" or prev.endswith(STATEMENT_END) or prev.endswith("else")


def operator_matches(kind, masked_line):
    """The (op, start, end) occurrences of one rule in a masked line."""
    regex = RULES[kind][0]
    return [(m.group(1), m.start(1), m.end(1)) for m in regex.finditer(masked_line)]


def line_mutations(masked_line, previous_masked, in_bool_function):
    """Every (kind, op, occurrence, replacement) for one code line."""
    found = []
    for kind, (_, replace) in RULES.items():
        seen = {}
        for op, _, _ in operator_matches(kind, masked_line):
            occurrence = seen.get(op, 0)
            seen[op] = occurrence + 1
            found.append((kind, op, occurrence, replace(op)))
    ret = RETURN_RE.match(masked_line)
    if ret and in_bool_function and ret.group(2).strip() not in ("true", "false"):
        found.append(("negate-return", "return", 0, "return !"))
    if call_statement(masked_line, previous_masked):
        found.append(("delete-call", "call", 0, "{}"))
    return found


def apply_mutation(line, masked_line, mutant):
    """The mutated text of one line, or None when the mutant's operator is not in it."""
    kind = mutant["kind"]
    if kind == "negate-return":
        m = RETURN_RE.match(masked_line)
        if not m:
            return None
        start, end = m.start(2), m.end(2)
        return line[:start] + "!(" + line[start:end] + ")" + line[end:]
    if kind == "delete-call":
        if not CALL_RE.match(masked_line):
            return None
        return line[: len(line) - len(line.lstrip())] + "{} // mutant: call removed"
    hits = [h for h in operator_matches(kind, masked_line) if h[0] == mutant["op"]]
    if mutant["occurrence"] >= len(hits):
        return None
    _, start, end = hits[mutant["occurrence"]]
    return line[:start] + mutant["replacement"] + line[end:]


# ---------------------------------------------------------------------------------------------
# The source tree: every code line of src/ with what precedes it, to find a line by its text.


class SourceFile:
    def __init__(self, path):
        self.path = path
        self.text = path.read_bytes().decode("utf-8")
        self.lines = self.text.split("\n")
        self.masked, self.directive = mask_lines(self.text)
        self._scanned = None

    def code_lines(self):
        """(index, stripped text, stripped text of the previous code line) of every code line."""
        previous = ""
        for idx, (line, masked) in enumerate(zip(self.lines, self.masked)):
            if self.directive[idx] or not masked.strip():
                continue
            yield idx, line.strip(), previous
            previous = line.strip()

    def previous_code_masked(self, idx):
        for k in range(idx - 1, -1, -1):
            if not self.directive[k] and self.masked[k].strip():
                return self.masked[k]
        return None

    def bool_returns(self):
        return self._scan()[0]

    def functions(self):
        return self._scan()[1]

    def _scan(self):
        if self._scanned is None:
            self._scanned = scan_functions(self.masked, self.directive)
        return self._scanned


def source_files(root):
    return sorted(p for p in (root / "src").rglob("*") if p.suffix in SOURCE_SUFFIXES and p.is_file())


class SourceIndex:
    """Where each code line of src/ is, by its stripped text and by (previous line, line)."""

    def __init__(self, root):
        self.root = root
        self.files = {}
        self.by_line = {}
        self.by_pair = {}
        for path in source_files(root):
            sf = SourceFile(path)
            self.files[path] = sf
            for idx, text, previous in sf.code_lines():
                self.by_line.setdefault(text, []).append((path, idx))
                self.by_pair.setdefault((previous, text), []).append((path, idx))

    def locate(self, line, context):
        """(path, index) of the line, or (None, reason)."""
        hits = self.by_line.get(line, [])
        if len(hits) == 1:
            return hits[0]
        if not hits:
            return None, "line not found under src/"
        pair = self.by_pair.get((context, line), [])
        if len(pair) == 1:
            return pair[0]
        return None, f"line found {len(hits)} times under src/" + (
            "" if not pair else f", {len(pair)} times after the same line")


# ---------------------------------------------------------------------------------------------
# The sample.


def mutant_id(m):
    key = "\x1f".join([m["file"], m["line"], m["context"], m["kind"], m["op"], str(m["occurrence"]),
                       m["replacement"]])
    return hashlib.sha1(key.encode("utf-8")).hexdigest()[:10]


def generate(root, files, per_file, seed):
    index = SourceIndex(root)
    sample = []
    for file_entry in files:
        # FILE@REGEX takes only the lines inside the functions whose signature REGEX finds.
        name, _, function_re = file_entry.partition("@")
        path = (root / name).resolve()
        if path not in index.files:
            raise SystemExit(f"mutation-test: {name} is no source file under src/")
        sf = index.files[path]
        bool_returns = sf.bool_returns()
        functions = sf.functions()
        candidates = []
        for idx, text, previous in sf.code_lines():
            masked = sf.masked[idx]
            if SKIP_LINE_RE.search(masked) or HARMLESS_CALL_RE.search(masked):
                continue
            if function_re and not (functions[idx] and re.search(function_re, functions[idx])):
                continue
            # Only lines that can be found again by their text (alone or after their previous line).
            if index.locate(text, previous)[0] is None:
                continue
            for kind, op, occurrence, replacement in line_mutations(
                    masked, sf.previous_code_masked(idx), idx in bool_returns):
                candidates.append({
                    "file": name, "lineno": idx + 1, "line": text, "context": previous, "kind": kind,
                    "op": op, "occurrence": occurrence, "replacement": replacement})
        rng = random.Random(f"{seed}:{name}")
        picked = rng.sample(candidates, min(per_file, len(candidates)))
        picked.sort(key=lambda m: (m["lineno"], m["kind"], m["op"], m["occurrence"]))
        for m in picked:
            m["id"] = mutant_id(m)
        print(f"{file_entry}: {len(candidates)} candidate mutants, {len(picked)} taken")
        sample.extend(picked)
    return sample


FIELDS = ["id", "file", "lineno", "kind", "op", "occurrence", "replacement", "line", "context"]


def write_list(path, sample, seed, per_file):
    with open(path, "w", encoding="utf-8") as f:
        f.write(f"# Mutant sample of scripts/mutation-test.py (seed {seed}, up to {per_file} a file). One JSON\n")
        f.write("# object a line; `line` is the stripped source line the mutant changes, `context` the code\n")
        f.write("# line before it (used only when the line is not unique), `lineno` where it was when taken.\n")
        f.write("# Keep this file as it is: the point is to try the same mutants again after a change.\n")
        for m in sample:
            f.write(json.dumps({k: m[k] for k in FIELDS}, ensure_ascii=False) + "\n")


def read_list(path):
    sample = []
    with open(path, encoding="utf-8") as f:
        for n, line in enumerate(f, 1):
            if not line.strip() or line.startswith("#"):
                continue
            try:
                sample.append(json.loads(line))
            except json.JSONDecodeError as e:
                raise SystemExit(f"mutation-test: {path}:{n}: not a mutant ({e})")
    return sample


# ---------------------------------------------------------------------------------------------
# The build: which test executables link which source file, read from CMake's file API.


def run_quiet(cmd, **kw):
    return subprocess.run(cmd, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True, **kw)


class BuildModel:
    CLIENT = "client-vx-mutation"

    def __init__(self, root, build_dir):
        self.root = root
        self.build_dir = build_dir
        query = build_dir / ".cmake" / "api" / "v1" / "query" / self.CLIENT
        query.mkdir(parents=True, exist_ok=True)
        (query / "codemodel-v2").touch()
        r = run_quiet(["cmake", str(build_dir)])
        if r.returncode != 0:
            raise SystemExit(f"mutation-test: cmake could not configure {build_dir}:\n{r.stdout}")
        reply_dir = build_dir / ".cmake" / "api" / "v1" / "reply"
        index_file = max(reply_dir.glob("index-*.json"))
        index = json.loads(index_file.read_text())
        codemodel = json.loads((reply_dir / index["reply"][self.CLIENT]["codemodel-v2"]["jsonFile"]).read_text())
        source_root = Path(codemodel["paths"]["source"])
        self.targets = {}  # id -> dict(name, type, sources, deps, artifacts)
        for t in codemodel["configurations"][0]["targets"]:
            data = json.loads((reply_dir / t["jsonFile"]).read_text())
            self.targets[t["id"]] = {
                "name": data["name"],
                "type": data["type"],
                "sources": {os.path.realpath(source_root / s["path"]) for s in data.get("sources", [])},
                "deps": [d["id"] for d in data.get("dependencies", [])],
                "artifacts": {os.path.realpath(build_dir / a["path"]) for a in data.get("artifacts", [])},
            }
        self._closure = {}
        self._read_tests()

    def _read_tests(self):
        r = subprocess.run(["ctest", "--test-dir", str(self.build_dir), "--show-only=json-v1"],
                           stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
        if r.returncode != 0:
            raise SystemExit(f"mutation-test: ctest cannot list the tests:\n{r.stderr}")
        by_artifact = {a: tid for tid, t in self.targets.items() for a in t["artifacts"]}
        self.test_executables = {}  # target id -> {"path", "env", "cwd", "count"}
        for test in json.loads(r.stdout).get("tests", []):
            command = test.get("command") or []
            if not command:
                continue
            tid = by_artifact.get(os.path.realpath(command[0]))
            if tid is None:
                continue
            props = {p["name"]: p["value"] for p in test.get("properties", [])}
            entry = self.test_executables.setdefault(tid, {
                "path": command[0], "env": {}, "cwd": props.get("WORKING_DIRECTORY", str(self.build_dir)),
                "count": 0})
            entry["count"] += 1
            for assignment in props.get("ENVIRONMENT", []):
                name, _, value = assignment.partition("=")
                entry["env"][name] = value

    def closure(self, tid):
        if tid not in self._closure:
            seen, todo = set(), [tid]
            while todo:
                t = todo.pop()
                if t in seen:
                    continue
                seen.add(t)
                todo.extend(self.targets[t]["deps"])
            self._closure[tid] = seen
        return self._closure[tid]

    def tests_for(self, path):
        """The names of the test executables that compile or link the file (a file no target lists,
        such as a header, takes every test executable). First the layer's own (test_<folder> for a
        folder of the file's path), then the others, fewest targets below them first."""
        real = os.path.realpath(path)
        owners = {tid for tid, t in self.targets.items() if real in t["sources"]}
        folders = set(Path(real).relative_to(os.path.realpath(self.root)).parts[:-1])
        chosen = [tid for tid in self.test_executables if not owners or owners & self.closure(tid)]

        def order(tid):
            name = self.targets[tid]["name"]
            return (name.removeprefix("test_") not in folders, len(self.closure(tid)), name)

        return [self.targets[tid]["name"] for tid in sorted(chosen, key=order)]

    def executable(self, name):
        for tid, entry in self.test_executables.items():
            if self.targets[tid]["name"] == name:
                return entry
        raise KeyError(name)


# ---------------------------------------------------------------------------------------------
# Changing a file and always putting it back.


class Restorer:
    """Keeps the original bytes of the file being mutated, on disk too, so that a run killed in the
    middle is repaired by the next start."""

    def __init__(self, journal):
        self.journal = journal
        self.path = None
        self.original = None

    def recover(self):
        if not self.journal.exists():
            return
        data = json.loads(self.journal.read_text(encoding="utf-8"))
        path = Path(data["path"])
        original = data["original"].encode("latin-1")
        if path.read_bytes() != original:
            path.write_bytes(original)
            print(f"mutation-test: put back {path}, left changed by an interrupted run")
        self.journal.unlink()

    def mutate(self, path, new_bytes):
        original = path.read_bytes()
        self.journal.write_text(json.dumps({"path": str(path), "original": original.decode("latin-1")}),
                                encoding="utf-8")
        self.path, self.original = path, original
        path.write_bytes(new_bytes)

    def restore(self):
        if self.path is None:
            return
        # The restored file keeps a new time stamp, so that the next build recompiles it (a ccache
        # hit) instead of keeping the mutant's object file.
        self.path.write_bytes(self.original)
        self.path, self.original = None, None
        self.journal.unlink(missing_ok=True)


def tree_digest(root):
    h = hashlib.sha256()
    for p in source_files(root):
        h.update(str(p.relative_to(root)).encode())
        h.update(hashlib.sha256(p.read_bytes()).digest())
    return h.hexdigest()


# ---------------------------------------------------------------------------------------------
# Building and testing.


def nice_prefix(level):
    return ["nice", "-n", str(level)] if level else []


def build(build_dir, targets, jobs, nice, timeout, log):
    cmd = nice_prefix(nice) + ["cmake", "--build", str(build_dir), "-j", str(jobs), "--target", *targets]
    log.write(f"$ {shlex.join(cmd)}\n")
    log.flush()
    env = dict(os.environ)
    env.setdefault("CCACHE_BASEDIR", str(ROOT.parent))
    try:
        r = subprocess.run(cmd, stdout=log, stderr=subprocess.STDOUT, timeout=timeout, env=env)
    except subprocess.TimeoutExpired:
        return False
    return r.returncode == 0


class Job:
    """One test executable run over a subset of its tests."""

    def __init__(self, label, cmd, env, cwd, timeout):
        self.label, self.cmd, self.env, self.cwd, self.timeout = label, cmd, env, cwd, timeout


def run_jobs(jobs, parallel, tmp_dir, log):
    """Runs the jobs, at most `parallel` at a time, each in a process group of its own. Stops at the
    first that fails or times out (killing the others) and returns (outcome, label, seconds per
    label): outcome "pass", "fail" or "timeout"."""
    todo = list(jobs)
    running = []  # (job, process, output file, start)
    seconds = {}
    outcome, decided_by = "pass", ""

    def stop(entry):
        job, proc, out, _ = entry
        if proc.poll() is None:
            try:
                os.killpg(proc.pid, signal.SIGKILL)
            except ProcessLookupError:
                pass
            proc.wait()
        out.close()

    try:
        while (todo or running) and outcome == "pass":
            while todo and len(running) < parallel:
                job = todo.pop(0)
                log.write(f"$ (cd {shlex.quote(job.cwd)} && {shlex.join(job.cmd)})  # timeout {job.timeout:.0f} s\n")
                log.flush()
                out = open(tmp_dir / f"{len(seconds) + len(running)}-{job.label.replace(':', '-')}.out", "w+")
                proc = subprocess.Popen(job.cmd, cwd=job.cwd, env=job.env, stdout=out, stderr=subprocess.STDOUT,
                                        start_new_session=True)
                running.append((job, proc, out, time.monotonic()))
            time.sleep(0.2)
            for entry in list(running):
                job, proc, out, started = entry
                elapsed = time.monotonic() - started
                if proc.poll() is None and elapsed < job.timeout:
                    continue
                if proc.poll() is None:
                    outcome, decided_by = "timeout", job.label
                elif proc.returncode != 0:
                    outcome, decided_by = "fail", job.label
                seconds[job.label] = elapsed
                if outcome != "pass" and decided_by == job.label:
                    stop(entry)
                    out = open(out.name, errors="replace")
                    # The end of the failing run: the failing test's messages and the summary.
                    log.write(out.read()[-4000:] + (f"\n({job.label} timed out)\n" if outcome == "timeout" else "\n"))
                    out.close()
                else:
                    out.close()
                running.remove(entry)
                if outcome != "pass":
                    break
    finally:
        for entry in running:
            stop(entry)
    return outcome, decided_by, seconds


def read_test_times(json_path):
    """Test name -> seconds, from a --gtest_output=json file."""
    times = {}
    data = json.loads(Path(json_path).read_text(encoding="utf-8"))
    for suite in data.get("testsuites", []):
        for test in suite.get("testsuite", []):
            times[f"{suite['name']}.{test['name']}"] = float(str(test.get("time", "0s")).rstrip("s") or 0)
    return times


class TestRunner:
    """Runs the test executables for a mutant in two phases: first the quick tests of each
    executable, nearest layer first, each executable built just before its run (most mutants die
    here, before the higher layers are even linked); then the slow tests (the Wine interop tests,
    which spend their time starting Wine) of all of them side by side."""

    def __init__(self, model, args, build_dir, log):
        self.model = model
        self.args = args
        self.build_dir = build_dir
        self.log = log
        self.tmp_root = build_dir / "mutation-tmp"
        self.tmp_dir = self.tmp_root
        self.tmp_count = 0
        self.slow = {}  # executable -> names of its slow tests
        self.phase_seconds = {}  # "exe:quick" / "exe:slow" -> seconds on the unchanged tree

    def _job(self, name, phase, timeout, fail_fast=True, extra=()):
        entry = self.model.executable(name)
        env = dict(os.environ)
        env.update(entry["env"])
        env.setdefault("QT_QPA_PLATFORM", "offscreen")
        env.setdefault("VX_REQUIRE_WINE", "1")
        # Temporary files (Wine prefixes too) go to a folder that is emptied after every mutant: a
        # test killed at its timeout or beside a failing one leaves its files behind.
        env["TMPDIR"] = str(self.tmp_dir)
        cmd = nice_prefix(self.args.nice) + [entry["path"], "--gtest_brief=1", *extra]
        if fail_fast:
            cmd.append("--gtest_fail_fast")
        slow = self.slow.get(name, [])
        if phase == "quick" and slow:
            cmd.append("--gtest_filter=-" + ":".join(slow))
        elif phase == "slow":
            cmd.append("--gtest_filter=" + ":".join(slow))
        return Job(f"{name}:{phase}", cmd, env, entry["cwd"], timeout)

    def _fresh_tmp(self):
        """A new, empty temporary folder for the next runs. What earlier runs left is removed as far
        as it can be: a Wine server of a killed test may still save its hives for a moment, so
        a folder can come back and is tried again next time."""
        if self.tmp_root.exists():
            for old in self.tmp_root.iterdir():
                shutil.rmtree(old, ignore_errors=True)
        self.tmp_count += 1
        self.tmp_dir = self.tmp_root / f"run{self.tmp_count}"
        out_dir = self.tmp_dir / "outputs"
        out_dir.mkdir(parents=True, exist_ok=True)
        return out_dir

    def clean_run(self, names):
        """On the unchanged tree: one full run of each executable gives its tests' times (which
        tests are slow); then each phase is run as a mutant's run will be, must pass, and its time
        sets its timeout."""
        for name in names:
            out_dir = self._fresh_tmp()
            json_path = self.build_dir / f"mutation-times-{name}.json"
            job = self._job(name, "all", 3600, fail_fast=False, extra=[f"--gtest_output=json:{json_path}"])
            outcome, _, seconds = run_jobs([job], 1, out_dir, self.log)
            print(f"  {name}: {outcome} on the unchanged tree in {seconds.get(job.label, 0):.0f} s", flush=True)
            if outcome != "pass":
                raise SystemExit(f"mutation-test: {name} fails without any mutant; see {self.log.name}")
            times = read_test_times(json_path)
            self.slow[name] = sorted(t for t, sec in times.items() if sec >= self.args.slow_test)
        for phase, parallel in (("quick", 1), ("slow", self.args.test_jobs)):
            out_dir = self._fresh_tmp()
            jobs = [self._job(name, phase, 3600) for name in names if phase == "quick" or self.slow[name]]
            outcome, by, seconds = run_jobs(jobs, parallel, out_dir, self.log)
            if outcome != "pass":
                raise SystemExit(f"mutation-test: {by} fails without any mutant when run apart; see {self.log.name}")
            self.phase_seconds.update(seconds)
        print("  phases on the unchanged tree: " +
              ", ".join(f"{k} {v:.0f} s" for k, v in self.phase_seconds.items()), flush=True)

    def _timeout(self, label):
        return max(self.args.timeout_min, self.args.timeout_factor * self.phase_seconds[label])

    def run_mutant(self, names):
        """("build-failed" | "killed" | "timeout" | "survived", the phase that decided)."""
        out_dir = self._fresh_tmp()
        try:
            for name in names:
                if not build(self.build_dir, [name], self.args.jobs, self.args.nice, self.args.build_timeout,
                             self.log):
                    return "build-failed", name
                label = f"{name}:quick"
                outcome, by, _ = run_jobs([self._job(name, "quick", self._timeout(label))], 1, out_dir, self.log)
                if outcome != "pass":
                    return ("killed" if outcome == "fail" else "timeout"), by
            slow = [self._job(n, "slow", self._timeout(f"{n}:slow")) for n in names if self.slow[n]]
            outcome, by, _ = run_jobs(slow, self.args.test_jobs, out_dir, self.log)
            if outcome != "pass":
                return ("killed" if outcome == "fail" else "timeout"), by
            return "survived", ""
        finally:
            self._fresh_tmp()


# ---------------------------------------------------------------------------------------------
# The report.

KILLED = ("killed", "timeout")
COUNTED = ("killed", "timeout", "survived")


def summarize(sample, results):
    per_file = {}
    for m in sample:
        r = results.get(m["id"])
        if r is None:
            continue
        s = per_file.setdefault(m["file"], {"killed": 0, "counted": 0, "build-failed": 0, "lost": 0,
                                            "survivors": []})
        status = r["status"]
        if status in KILLED:
            s["killed"] += 1
        if status in COUNTED:
            s["counted"] += 1
        elif status in ("build-failed", "lost"):
            s[status] += 1
        if status == "survived":
            s["survivors"].append(m)
    return per_file


def share(killed, counted):
    return f"{killed}/{counted} ({100.0 * killed / counted:.1f}%)" if counted else "0/0"


def write_report(path, sample, results, meta):
    per_file = summarize(sample, results)
    killed = sum(s["killed"] for s in per_file.values())
    counted = sum(s["counted"] for s in per_file.values())
    lines = ["Mutation test report (scripts/mutation-test.py)", ""]
    for k, v in meta.items():
        lines.append(f"{k}: {v}")
    lines += ["", f"Overall killed: {share(killed, counted)}", "",
              "Per file (killed / mutants that built and ran; build-failed and lost counted apart):"]
    for name, s in per_file.items():
        extra = []
        if s["build-failed"]:
            extra.append(f"{s['build-failed']} build-failed")
        if s["lost"]:
            extra.append(f"{s['lost']} lost")
        lines.append(f"  {name}: {share(s['killed'], s['counted'])}" + (f"; {', '.join(extra)}" if extra else ""))
    lines += ["", "Survivors (the tests pass with the change):"]
    for name, s in per_file.items():
        for m in s["survivors"]:
            lines.append(f"  {m['id']} {name}:{m['lineno']} {m['kind']} `{m['op']}` -> `{m['replacement']}`: {m['line']}")
    lines += ["", "Every mutant (id, status, decided by, seconds, original place, change, line):"]
    for m in sample:
        r = results.get(m["id"])
        if r is None:
            continue
        lines.append("\t".join([m["id"], r["status"], r.get("by", "") or "-", f"{r.get('seconds', 0):.0f}",
                                f"{m['file']}:{m['lineno']}", f"{m['kind']} `{m['op']}`#{m['occurrence']} -> "
                                f"`{m['replacement']}`", m["line"]]))
    Path(path).write_text("\n".join(lines) + "\n", encoding="utf-8")
    return killed, counted


def read_report_statuses(path):
    statuses = {}
    for line in Path(path).read_text(encoding="utf-8").splitlines():
        parts = line.split("\t")
        if len(parts) >= 2 and re.fullmatch(r"[0-9a-f]{10}", parts[0]):
            statuses[parts[0]] = parts[1]
    return statuses


# ---------------------------------------------------------------------------------------------


def raise_interrupt(signum, frame):
    raise KeyboardInterrupt()


def run(args):
    root = ROOT
    build_dir = (root / args.build_dir).resolve()
    if not (build_dir / "CMakeCache.txt").exists():
        raise SystemExit(f"mutation-test: no build in {build_dir}; build first (scripts/build.sh)")
    restorer = Restorer(build_dir / "mutation-restore.json")
    restorer.recover()
    sample = read_list(args.mutants)
    if args.files:
        wanted = set(args.files)
        sample = [m for m in sample if m["file"] in wanted or Path(m["file"]).name in wanted]
    if args.limit:
        sample = sample[: args.limit]
    if not sample:
        raise SystemExit("mutation-test: no mutant to run")

    results_path = build_dir / "mutation-results.jsonl"
    results = {}
    if args.resume and results_path.exists():
        for line in results_path.read_text(encoding="utf-8").splitlines():
            r = json.loads(line)
            results[r["id"]] = r
    elif results_path.exists():
        results_path.unlink()

    digest_before = tree_digest(root)
    log_path = build_dir / "mutation-log.txt"
    log = open(log_path, "a", encoding="utf-8")
    log.write(f"\n===== run at {time.strftime('%Y-%m-%d %H:%M:%S')}\n")
    model = BuildModel(root, build_dir)
    runner = TestRunner(model, args, build_dir, log)

    # Where each mutant is now, and what must be rebuilt and run for it.
    index = SourceIndex(root)
    plan = []
    for m in sample:
        path, idx = index.locate(m["line"], m["context"])
        if path is None:
            plan.append((m, None, idx))
            continue
        sf = index.files[path]
        mutated = apply_mutation(sf.lines[idx], sf.masked[idx], m)
        if mutated is None:
            plan.append((m, None, "the operator is no longer in the line"))
            continue
        plan.append((m, (path, idx, mutated), model.tests_for(path)))

    needed = []
    for _, where, tests in plan:
        if where is not None:
            needed += [t for t in tests if t not in needed]
    print(f"Building and running the tests on the unchanged tree: {', '.join(needed)}", flush=True)
    if not build(build_dir, needed, args.jobs, args.nice, None, log):
        raise SystemExit(f"mutation-test: the unchanged tree does not build; see {log_path}")
    runner.clean_run(needed)

    interrupted = False
    started = time.monotonic()
    results_file = open(results_path, "a", encoding="utf-8")
    previous_handler = signal.signal(signal.SIGTERM, raise_interrupt)
    try:
        for n, (m, where, tests) in enumerate(plan, 1):
            if m["id"] in results:
                continue
            t0 = time.monotonic()
            if where is None:
                r = {"id": m["id"], "status": "lost", "by": tests}
            else:
                path, idx, mutated = where
                sf = index.files[path]
                lines = list(sf.lines)
                lines[idx] = mutated
                log.write(f"\n--- mutant {m['id']} {path.relative_to(root)}:{idx + 1}: {mutated.strip()}\n")
                restorer.mutate(path, "\n".join(lines).encode("utf-8"))
                try:
                    status, by = runner.run_mutant(tests)
                finally:
                    restorer.restore()
                r = {"id": m["id"], "status": status, "by": by}
            r["seconds"] = time.monotonic() - t0
            results[m["id"]] = r
            results_file.write(json.dumps(r) + "\n")
            results_file.flush()
            print(f"[{n}/{len(plan)}] {m['id']} {m['file']}:{m['lineno']} {m['kind']} `{m['op']}` -> "
                  f"`{m['replacement']}`: {r['status']}{' by ' + r['by'] if r.get('by') else ''} "
                  f"({r['seconds']:.0f} s)", flush=True)
    except KeyboardInterrupt:
        interrupted = True
        print("\nmutation-test: interrupted; the file was put back", flush=True)
    finally:
        restorer.restore()
        signal.signal(signal.SIGTERM, previous_handler)
        results_file.close()

    if tree_digest(root) != digest_before:
        raise SystemExit("mutation-test: the sources under src/ differ from before the run! "
                         "Check `git status src` and `git diff src`.")
    # Rebuild from the restored sources, so that the build directory holds no mutant.
    print("Sources unchanged. Rebuilding the tests from the restored sources.", flush=True)
    build(build_dir, needed, args.jobs, args.nice, None, log)
    shutil.rmtree(runner.tmp_root, ignore_errors=True)

    ran = [r for r in results.values() if r["status"] not in ("lost",)]
    timed = [r["seconds"] for r in ran]
    # The last commit that changed what is measured: the sources and the tests.
    head = run_quiet(["git", "-C", str(root), "log", "-1", "--format=%h %s", "--", "src", "tests"]).stdout.strip()
    dirty = run_quiet(["git", "-C", str(root), "status", "--porcelain", "--", "src", "tests"]).stdout.strip()
    meta = {
        "Sources and tests as of": head + (" (with uncommitted changes under src/ or tests/)" if dirty else ""),
        "Date": time.strftime("%Y-%m-%d %H:%M"),
        "Mutants": f"{len(results)} of {len(plan)} in {args.mutants.name}" + (" (interrupted)" if interrupted else ""),
        "Time": f"{(time.monotonic() - started) / 60:.0f} min this run; "
                f"{(sum(timed) / len(timed)) if timed else 0:.0f} s a mutant on average (build and tests)",
        "Test phases on the unchanged tree (s)": ", ".join(f"{k} {v:.0f}" for k, v in runner.phase_seconds.items()),
        "Slow tests (run after the quick ones, side by side)": ", ".join(
            f"{k} {len(v)}" for k, v in runner.slow.items()),
    }
    killed, counted = write_report(args.report, sample, results, meta)
    print(f"\nKilled {share(killed, counted)}; report in {args.report}")
    for name, s in summarize(sample, results).items():
        print(f"  {name}: {share(s['killed'], s['counted'])}")
    if args.compare:
        before = read_report_statuses(args.compare)
        worse = [m for m in sample if before.get(m["id"]) in KILLED and results.get(m["id"], {}).get("status") == "survived"]
        lost = [m for m in sample if results.get(m["id"], {}).get("status") == "lost"]
        both = [m["id"] for m in sample if before.get(m["id"]) in COUNTED and
                results.get(m["id"], {}).get("status") in COUNTED]
        was = sum(1 for i in both if before[i] in KILLED)
        now = sum(1 for i in both if results[i]["status"] in KILLED)
        print(f"\nAgainst {args.compare}, over the {len(both)} mutants that ran both times: killed "
              f"{share(was, len(both))} then, {share(now, len(both))} now")
        print(f"{len(worse)} mutant(s) killed then survive now, {len(lost)} lost")
        for m in worse:
            print(f"  survives now: {m['id']} {m['file']}:{m['lineno']} `{m['op']}` -> `{m['replacement']}`: {m['line']}")
        for m in lost:
            print(f"  lost: {m['id']} {m['file']}:{m['lineno']} {results[m['id']]['by']}: {m['line']}")
    return 1 if interrupted else 0


def main():
    p = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    mode = p.add_mutually_exclusive_group(required=True)
    mode.add_argument("--list", action="store_true", help="only make the mutant sample (the list file)")
    mode.add_argument("--run", action="store_true", help="try the mutants of the list file")
    p.add_argument("--files", nargs="+", metavar="FILE",
                   help="with --list: the files to sample (default: the core files); with --run: only "
                        "the mutants taken from these files (path or file name)")
    p.add_argument("--limit", type=int, default=0, metavar="N", help="with --run: only the first N mutants")
    p.add_argument("--mutants", type=Path, default=DEFAULT_LIST, help="the list file (default %(default)s)")
    p.add_argument("--per-file", type=int, default=DEFAULT_PER_FILE, help="with --list: mutants a file")
    p.add_argument("--seed", type=int, default=DEFAULT_SEED, help="with --list: the sample's seed")
    p.add_argument("--force", action="store_true", help="with --list: replace an existing list file")
    p.add_argument("--build-dir", default="build", help="the CMake build directory (default %(default)s)")
    p.add_argument("--jobs", type=int, default=2, help="build jobs (default %(default)s)")
    p.add_argument("--nice", type=int, default=15, help="nice level of builds and tests (default %(default)s)")
    p.add_argument("--timeout-factor", type=float, default=3.0,
                   help="a test executable times out after this many times its clean run (default %(default)s)")
    p.add_argument("--timeout-min", type=float, default=60.0, help="and never before this many seconds")
    p.add_argument("--build-timeout", type=float, default=1800.0, help="seconds a mutant's build may take")
    p.add_argument("--slow-test", type=float, default=1.0,
                   help="a test taking this many seconds on the unchanged tree runs in the slow phase")
    p.add_argument("--test-jobs", type=int, default=3,
                   help="slow test runs side by side (they mostly wait for Wine; default %(default)s)"),
    p.add_argument("--report", type=Path, default=ROOT / "build" / "mutation-report.txt",
                   help="where the report goes (default %(default)s)")
    p.add_argument("--compare", type=Path, help="with --run: a former report; lists the mutants it killed "
                                               "that survive now")
    p.add_argument("--resume", action="store_true",
                   help="with --run: keep the results of an interrupted run (build/mutation-results.jsonl)")
    args = p.parse_args()

    if args.list:
        if args.mutants.exists() and not args.force:
            raise SystemExit(f"mutation-test: {args.mutants} exists; the point of the list is to stay the same "
                             "(use --force to make a new sample)")
        sample = generate(ROOT, args.files or DEFAULT_FILES, args.per_file, args.seed)
        write_list(args.mutants, sample, args.seed, args.per_file)
        print(f"{len(sample)} mutants written to {args.mutants}")
        return 0
    return run(args)


if __name__ == "__main__":
    sys.exit(main())
