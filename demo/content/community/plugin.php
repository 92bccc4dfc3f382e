<!DOCTYPE html>
<html lang="zh-CN">
<head>
<meta charset="utf-8">
<title>每日签到 - Kovrin编程论坛</title>
<link rel="stylesheet" href="@COMMUNITY_BASE@static/site.css">
</head>
<body>
<div class="top"><div class="in">
  <a class="logo" href="@COMMUNITY_BASE@ekovrin/">Kovrin编程论坛<small>Tamsk编程平台</small></a>
  <div class="nav">
    <a href="@COMMUNITY_BASE@ekovrin/">平台首页</a>
    <a href="@COMMUNITY_BASE@thread-2792-1-1.html">资源分享</a>
    <a href="@COMMUNITY_BASE@forum-46-1.html">软件建议</a>
    <a href="@COMMUNITY_BASE@thread-2009-1-1.html">论坛赞助</a>
    <a href="@FORUM_BASE@">官方论坛</a>
  </div>
</div></div>
<div class="page">
  <p class="crumb"><a href="@COMMUNITY_SITE@">论坛首页</a> › <a href="@COMMUNITY_BASE@plugin.php?id=dsu_paulsign:sign">会员服务</a> › 每日签到</p>
  <div class="box">
    <h2>每日签到</h2>
    <div class="body">
      <p>今天的心情：<span class="tag green">开心</span><span class="tag blue">奋斗</span><span class="tag">学习中</span></p>
      <p>每天签到可领取 <b>5</b> 金币，连续签到 7 天额外奖励 20 金币。金币可用于下载赞助会员资源。</p>
      <p><a class="btn" href="@COMMUNITY_BASE@plugin.php?id=dsu_paulsign:sign">立即签到</a></p>
      <table class="grid">
        <tr><th>今日签到</th><th>昨日签到</th><th>累计签到</th></tr>
        <tr><td>326 人</td><td>412 人</td><td>58,190 次</td></tr>
      </table>
    </div>
  </div>
  <div class="foot">Kovrin编程论坛 · 演示站点 · 本页面内容仅用于演示</div>
</div>
</body>
</html>
