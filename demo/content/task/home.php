<!DOCTYPE html>
<html lang="zh-CN">
<head>
<meta charset="utf-8">
<title>免费任务 - Kovrin编程论坛</title>
<link rel="stylesheet" href="@COMMUNITY_BASE@static/site.css">
</head>
<body>
<div class="top"><div class="in">
  <a class="logo" href="@TASK_BASE@home.php?mod=task">任务中心<small>完成任务 领取奖励</small></a>
  <div class="nav">
    <a href="@COMMUNITY_BASE@ekovrin/">平台首页</a>
    <a href="@COMMUNITY_BASE@plugin.php?id=dsu_paulsign:sign">每日签到</a>
  </div>
</div></div>
<div class="page">
  <div class="box">
    <h2>新任务</h2>
    <table class="grid">
      <tr><th>任务</th><th>说明</th><th>奖励</th><th></th></tr>
      <tr><td>新手上路</td><td>完善个人资料并上传头像</td><td>10 金币</td><td><a class="btn" href="@TASK_BASE@home.php?mod=task">立即申请</a></td></tr>
      <tr><td>分享达人</td><td>在资源分享版块发布一个原创例程</td><td>30 金币</td><td><a class="btn" href="@TASK_BASE@home.php?mod=task">立即申请</a></td></tr>
      <tr><td>热心助人</td><td>在新手入门版块回答 5 个问题</td><td>20 金币</td><td><a class="btn" href="@TASK_BASE@home.php?mod=task">立即申请</a></td></tr>
      <tr><td>宝盒推广</td><td>把Kovrin宝盒推荐给一位朋友</td><td>15 金币</td><td><a class="btn" href="@TASK_BASE@home.php?mod=task">立即申请</a></td></tr>
    </table>
  </div>
  <div class="foot">Kovrin编程论坛 · 任务中心 · 演示站点</div>
</div>
</body>
</html>
