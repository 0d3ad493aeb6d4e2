# -*- coding: utf-8 -*-
network(net_1).
symbol(net_1, "?").
symbol(net_1, "a").
symbol(net_1, "b").
symbol(net_1, "c").
symbol(net_1, "d").
arc(net_1, 0, 1, "a":"b").
arc(net_1, 0, 1, "c":"0").
arc(net_1, 0, 1, "?").
arc(net_1, 0, 1, "d").
arc(net_1, 0, 1, "a").
arc(net_1, 0, 1, "b").
arc(net_1, 0, 1, "c").
arc(net_1, 1, 1, "d").
final(net_1, 1).
