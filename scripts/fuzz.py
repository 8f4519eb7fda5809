#!/usr/bin/env python3
"""Runs the libFuzzer targets of build/fuzz for a bounded time each.

Each target starts from a scratch copy of its seed corpus (tests/fuzz/corpus/<target>)
under build/fuzz-runs/<target>/, so that new inputs never land in the repository; a
crash, leak, sanitizer report, failed property or time-out leaves its input there.
Prints executions, coverage and crashes per target; --junit writes one test case per
target. Exit status 1 when any target failed.
"""
import argparse
import concurrent.futures
import glob
import os
import re
import shutil
import subprocess
import sys
import xml.etree.ElementTree as ET

TOP = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
# A head must be able to reach past its 4,095-byte bound.
MAX_LEN = {"response_head_fuzz": 8192}


def targets(build):
    names = [os.path.basename(p)[:-4] for p in sorted(glob.glob(os.path.join(TOP, "tests/fuzz/*_fuzz.cpp")))]
    missing = [n for n in names if not os.access(os.path.join(build, n), os.X_OK)]
    if missing:
        sys.exit("not built in %s: %s" % (build, " ".join(missing)))
    return names


def run(build, runs, name, seconds):
    """Runs one target. Returns a dict with its numbers and failure text (None when clean)."""
    work = os.path.join(runs, name)
    shutil.rmtree(work, ignore_errors=True)
    corpus = os.path.join(work, "corpus")
    shutil.copytree(os.path.join(TOP, "tests/fuzz/corpus", name), corpus)
    log_path = os.path.join(work, "fuzz.log")
    command = [os.path.join(build, name), corpus, "-max_total_time=%d" % seconds, "-timeout=10",
               "-rss_limit_mb=2048", "-print_final_stats=1", "-artifact_prefix=" + work + "/"]
    if name in MAX_LEN:
        command.append("-max_len=%d" % MAX_LEN[name])
    dictionary = os.path.join(TOP, "tests/fuzz", name + ".dict")
    if os.path.exists(dictionary):
        command.append("-dict=" + dictionary)
    env = dict(os.environ, UBSAN_OPTIONS="print_stacktrace=1", ASAN_OPTIONS="detect_leaks=1")
    failure = None
    with open(log_path, "wb") as log:
        try:
            rc = subprocess.run(command, stdout=log, stderr=subprocess.STDOUT, env=env,
                                timeout=seconds + 120).returncode
        except subprocess.TimeoutExpired:
            rc = None
            failure = "did not end within %d s of its time" % 120
    text = open(log_path, "rb").read().decode("utf-8", "replace")
    artefacts = sorted(glob.glob(os.path.join(work, "crash-*")) + glob.glob(os.path.join(work, "leak-*")) +
                       glob.glob(os.path.join(work, "timeout-*")) + glob.glob(os.path.join(work, "oom-*")))
    if failure is None and (rc != 0 or artefacts or "ERROR: " in text or "runtime error" in text):
        failure = "exit status %s" % rc
    executions = re.findall(r"stat::number_of_executed_units:\s*(\d+)", text)
    coverage = re.findall(r"cov: (\d+) ft: (\d+)", text)
    result = {
        "name": name,
        "executions": int(executions[-1]) if executions else None,
        "cov": coverage[-1][0] if coverage else "?",
        "ft": coverage[-1][1] if coverage else "?",
        "corpus": len(os.listdir(corpus)),
        "artefacts": artefacts,
        "log": log_path,
        "failure": None,
    }
    if failure:
        # The report: the sanitizer's or the property's lines, then the end of the log.
        lines = text.splitlines()
        start = next((i for i, l in enumerate(lines) if "ERROR:" in l or "runtime error" in l
                      or "property failed" in l or "==ERROR" in l), max(0, len(lines) - 60))
        result["failure"] = "%s\nlog: %s\nartefacts: %s\n%s" % (
            failure, log_path, " ".join(artefacts) or "none", "\n".join(lines[start:start + 80]))
    return result


def write_junit(path, results, seconds):
    suite = ET.Element("testsuite", name="fuzz", tests=str(len(results)),
                       failures=str(sum(1 for r in results if r["failure"])))
    for r in results:
        case = ET.SubElement(suite, "testcase", classname="fuzz", name=r["name"], time=str(seconds))
        if r["failure"]:
            ET.SubElement(case, "failure", message=r["failure"].splitlines()[0]).text = r["failure"]
    os.makedirs(os.path.dirname(path), exist_ok=True)
    ET.ElementTree(suite).write(path, encoding="utf-8", xml_declaration=True)


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--seconds", type=int, required=True, help="time for each target")
    parser.add_argument("--jobs", type=int, default=1, help="targets at a time (at most 2)")
    parser.add_argument("--build", default=os.path.join(TOP, "build/fuzz"))
    parser.add_argument("--runs", default=os.path.join(TOP, "build/fuzz-runs"))
    parser.add_argument("--junit", help="write the results here as JUnit XML")
    parser.add_argument("names", nargs="*", help="only these targets")
    args = parser.parse_args()
    names = args.names or targets(args.build)
    jobs = max(1, min(args.jobs, 2))
    print("fuzzing %d targets for %d s each, %d at a time" % (len(names), args.seconds, jobs), flush=True)
    with concurrent.futures.ThreadPoolExecutor(jobs) as pool:
        futures = [pool.submit(run, args.build, args.runs, n, args.seconds) for n in names]
        results = []
        for future in futures:
            r = future.result()
            results.append(r)
            print("%-22s %s  executions %s  cov %s  ft %s  corpus %d  crashes %d" % (
                r["name"], "FAILED" if r["failure"] else "ok", r["executions"], r["cov"], r["ft"],
                r["corpus"], len(r["artefacts"])), flush=True)
            if r["failure"]:
                print(r["failure"], flush=True)
    if args.junit:
        write_junit(args.junit, results, args.seconds)
    return 1 if any(r["failure"] for r in results) else 0


if __name__ == "__main__":
    sys.exit(main())
