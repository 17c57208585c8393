#!/usr/bin/env python3
"""Puts back, one at a time, faults the encryption once had or could easily get, into a copy of
the sources; builds the encryption tests of the copy and runs them. Each fault must make at least
one test fail: a fault no test catches is reported and the run fails.

    tests/store/mutations.py SOURCE_DIR [WORK_DIR]
"""
import os
import shutil
import subprocess
import sys
import tempfile

# (name, file, the code as it is, the faulty code)
MUTATIONS = [
    ("every page sealed under an all-zero nonce", "src/store/crypto/CipherVfs.cpp",
     "    randombytes_buf(nonce, NonceBytes);\n    crypto_aead_xchacha20poly1305_ietf_encrypt_detached(out,",
     "    std::memset(nonce, 0, NonceBytes);\n    crypto_aead_xchacha20poly1305_ietf_encrypt_detached(out,"),
    ("an automatic copy keeps the notebook's file identity", "src/store/AutoBackup.cpp",
     "        NotebookHeader::renewFileId(&header);\n        QString why;",
     "        QString why;"),
    ("no bound on the key derivation's cost", "src/store/crypto/NotebookHeader.cpp",
     "&& Cost{h.opsLimit, h.memLimit}.boundedBy(Cost::standard());",
     "&& true;"),
    ("a journal record is not bound to its offset", "src/store/crypto/CipherVfs.cpp",
     "qToLittleEndian(at, bytes + 21);",
     "qToLittleEndian(quint64(0), bytes + 21);"),
]
TESTS = ["tst_store_encryption", "tst_store_cipherfiles", "tst_store_autobackup"]


def run(cmd, **kw):
    return subprocess.run(cmd, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, **kw).returncode


def main():
    source = os.path.abspath(sys.argv[1])
    work = sys.argv[2] if len(sys.argv) > 2 else tempfile.mkdtemp(prefix="qb-mutations-")
    copy = os.path.join(work, "src")
    build = os.path.join(work, "build")
    shutil.rmtree(copy, ignore_errors=True)
    shutil.copytree(source, copy, ignore=shutil.ignore_patterns("build", ".git"))
    launcher = ["-DCMAKE_CXX_COMPILER_LAUNCHER=ccache"] if shutil.which("ccache") else []
    if run(["cmake", "-S", copy, "-B", build, "-DCMAKE_BUILD_TYPE=RelWithDebInfo"] + launcher) != 0:
        sys.exit("cannot configure the copy")
    env = dict(os.environ, QT_QPA_PLATFORM="offscreen")
    missed = []
    for name, path, good, bad in MUTATIONS:
        target = os.path.join(copy, path)
        with open(target, encoding="utf-8") as f:
            text = f.read()
        if text.count(good) != 1:
            sys.exit(f"the code for '{name}' is no longer where it was: update {__file__}")
        with open(target, "w", encoding="utf-8") as f:
            f.write(text.replace(good, bad))
        try:
            if run(["cmake", "--build", build, "-j2", "--target"] + TESTS) != 0:
                sys.exit(f"the copy with '{name}' does not build")
            caught = any(run([os.path.join(build, "tests-bin", t)], env=env, cwd=build) != 0 for t in TESTS)
        finally:
            with open(target, "w", encoding="utf-8") as f:
                f.write(text)
        print(("caught:     " if caught else "NOT CAUGHT: ") + name, flush=True)
        if not caught:
            missed.append(name)
    sys.exit(1 if missed else 0)


if __name__ == "__main__":
    main()
