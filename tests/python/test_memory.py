"""The memory limit of the kora module: half of the machine's physical memory from import on;
a call that would pass a smaller limit raises MemoryError with the library's message, and the
module goes on working after it, under the limit and without it."""

import os

import pytest

import kora

SMALL = 4 << 20  # the library holds about 1 MB from the start


@pytest.fixture
def small_limit():
    before = kora.memory_limit()
    kora.set_memory_limit(SMALL)
    yield
    kora.set_memory_limit(before)


def test_the_limit_starts_at_half_of_physical_memory():
    assert kora.memory_limit() == os.sysconf("SC_PHYS_PAGES") * os.sysconf("SC_PAGE_SIZE") // 2


# (what blows up past a small limit, the operation the library names)
EXPLOSIONS = [
    (lambda: kora.regex("[a|b]* a [a|b]^20"), "READ_REGEX"),
    (lambda: kora.regex("[a:a | a:b]*").generate("a" * 24), "APPLY_TO_STRING"),
]


@pytest.mark.parametrize("explode, operation", EXPLOSIONS, ids=[o for _, o in EXPLOSIONS])
def test_a_call_past_the_limit_raises_memory_error_and_the_module_goes_on(small_limit, explode,
                                                                          operation):
    with pytest.raises(MemoryError) as raised:
        explode()
    assert str(raised.value) == "Memory limit exceeded: %s (limit %d bytes)" % (operation, SMALL)
    assert kora.memory_limit() == SMALL
    assert kora.regex("{cat}:{chat}").generate("cat") == ["chat"]
    kora.set_memory_limit(0)
    assert kora.memory_limit() == 0
    net = kora.regex("[a|b]* a [a|b]^10")
    assert net.num_states == 2 ** 11
    assert net.generate("a" + "b" * 10) == ["a" + "b" * 10]
