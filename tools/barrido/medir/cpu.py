"""The CPU time of an invocation: what the sweep's children used, user and
system, read before and after it. The sweep runs one invocation at a time
and reaps it (and the kernel charges a child's own reaped children to it),
so the difference is that invocation's."""

import resource


def cpu_de_los_hijos() -> float:
    """Seconds of CPU used so far by the children the sweep has reaped."""
    uso = resource.getrusage(resource.RUSAGE_CHILDREN)
    return uso.ru_utime + uso.ru_stime
