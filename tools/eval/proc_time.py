"""Whole-process timing shared by the peer tables."""
import resource
import subprocess
import time


def timed(cmd, runs):
    """Mean wall time and mean CPU time (user + system) of `cmd` over `runs`
    runs after one warm-up; on a busy machine the CPU time is the steadier."""
    subprocess.run(cmd, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    walls, cpus = [], []
    for _ in range(runs):
        before = resource.getrusage(resource.RUSAGE_CHILDREN)
        start = time.perf_counter()
        subprocess.run(cmd, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        walls.append(time.perf_counter() - start)
        after = resource.getrusage(resource.RUSAGE_CHILDREN)
        cpus.append((after.ru_utime - before.ru_utime) + (after.ru_stime - before.ru_stime))
    return sum(walls) / runs, sum(cpus) / runs
