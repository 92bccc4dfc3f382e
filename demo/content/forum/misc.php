<!DOCTYPE html>
<html lang="zh-CN">
<head>
<meta charset="utf-8">
<title>帮助 - 正版赞助 - Tamsk官方论坛</title>
<link rel="stylesheet" href="@COMMUNITY_BASE@static/site.css">
</head>
<body>
<div class="top"><div class="in">
  <a class="logo" href="@FORUM_BASE@">Tamsk官方论坛<small>帮助中心</small></a>
  <div class="nav">
    <a href="@FORUM_BASE@">论坛首页</a>
    <a href="@COMMUNITY_BASE@ekovrin/">Kovrin编程平台</a>
  </div>
</div></div>
<div class="page">
  <p class="crumb"><a href="@FORUM_BASE@">论坛首页</a> › 帮助 › 正版赞助</p>
  <div class="box">
    <h2>支持正版Tamsk，赞助正版产品</h2>
    <div class="body">
      <p><b>问：为什么要赞助正版？</b><br>答：正版赞助是Tamsk编程平台持续开发和维护的主要来源。赞助用户可获得正版授权、优先技术支持和全部更新。</p>
      <p><b>问：赞助后如何获得授权？</b><br>答：赞助完成后联系在线客服，提供论坛会员名，客服会在一个工作日内为您开通授权。</p>
      <p><b>问：授权可以在几台电脑上使用？</b><br>答：一份授权可在同一用户的两台电脑上使用，更换电脑可联系客服重新绑定。</p>
      <p><b>问：赞助后能否退款？</b><br>答：授权开通前可全额退款；开通后如有问题请联系客服协商处理。</p>
    </div>
  </div>
  <div class="foot">Tamsk官方论坛 · 演示站点</div>
</div>
</body>
</html>
