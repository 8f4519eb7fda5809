#!/usr/bin/env python3
"""Adds up JUnit-style result files (GoogleTest, ctest, pytest) into one line.

A ctest entry counts only when its program left no GoogleTest results of its own
(for example a crash before any test ran); otherwise the program's own cases count.
Exit status 1 when anything failed.
"""
import glob
import os
import sys
import xml.etree.ElementTree as ET


def count_cases(path):
    passed = failed = skipped = 0
    root = ET.parse(path).getroot()
    for case in root.iter("testcase"):
        if case.find("failure") is not None or case.find("error") is not None:
            failed += 1
        elif case.find("skipped") is not None or case.get("result") == "skipped" or case.get("status") == "notrun":
            skipped += 1
        else:
            passed += 1
    return passed, failed, skipped


def main(args):
    results, gtest_dirs = args[0], args[1:]
    passed = failed = skipped = 0
    gtest_failures = {}
    for d in gtest_dirs:
        for path in glob.glob(os.path.join(d, "*.xml")):
            p, f, s = count_cases(path)
            gtest_failures[os.path.splitext(os.path.basename(path))[0]] = f
            passed, failed, skipped = passed + p, failed + f, skipped + s
    # A scenario run a second time counts by its second result; the line says so.
    rerun = {}
    for path in glob.glob(os.path.join(results, "*-rerun.xml")):
        for case in ET.parse(path).getroot().iter("testcase"):
            bad = case.find("failure") is not None or case.find("error") is not None
            rerun[(case.get("classname"), case.get("name"))] = bad
    second_try = sorted("%s::%s" % key for key, bad in rerun.items() if not bad)
    for path in sorted(glob.glob(os.path.join(results, "*.xml"))):
        if path.endswith("-rerun.xml"):
            continue
        root = ET.parse(path).getroot()
        is_ctest = os.path.basename(path).startswith("ctest-")
        for case in root.iter("testcase"):
            bad = case.find("failure") is not None or case.find("error") is not None
            name = case.get("name")
            if is_ctest and name in gtest_failures:
                # The program's own cases count; a program that failed although all
                # its cases passed (a sanitizer report at exit, say) adds one failure.
                if bad and gtest_failures[name] == 0:
                    failed += 1
                continue
            key = (case.get("classname"), case.get("name"))
            if bad and key in rerun:
                bad = rerun[key]
            if bad:
                failed += 1
            elif case.find("skipped") is not None:
                skipped += 1
            else:
                passed += 1
    for name in second_try:
        print(f"passed only on its second run: {name}")
    line = f"{passed} passed, {failed} failed"
    if skipped:
        line += f", {skipped} skipped"
    print(line)
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
