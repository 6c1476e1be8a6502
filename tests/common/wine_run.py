"""Running a program under Wine and reading what it printed."""
import subprocess
import tempfile


def run_wine(args, env, timeout=120):
    """Runs `wine ARGS...`; returns a CompletedProcess whose stdout and stderr are bytes.

    What it prints goes through files, not pipes: processes Wine starts on the way (its services, the
    desktop) inherit the standard handles and outlive the program while the test's server runs, and a
    pipe one of them holds never reaches its end."""
    with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
        code = subprocess.run(["wine", *map(str, args)], env=env, stdin=subprocess.DEVNULL, stdout=out, stderr=err,
                              timeout=timeout).returncode
        out.seek(0)
        err.seek(0)
        return subprocess.CompletedProcess(args, code, out.read(), err.read())
